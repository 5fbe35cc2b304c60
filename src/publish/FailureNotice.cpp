#include "publish/FailureNotice.h"

#include "core/CoreState.h"
#include "core/DesktopNotices.h"
#include "core/Form1.h"
#include "publish/Publisher.h"

#include <QComboBox>

namespace publish {

void UploadAndTell(Form1& form, Publisher& publisher, const QString& templatePath, const QString& status)
{
    // The connection watch and the exit procedure lock the profile selector
    // while they publish on their own; a one-shot run reports on stderr.
    const bool automatic = !form.Combo1->isEnabled() && !Core().ExitAfterUpload;
    const QString profile = form.Combo1->currentText();
    publisher.UploadFile(templatePath, status);
    const Publisher::Outcome outcome = publisher.lastOutcome();
    if (automatic && (outcome == Publisher::Outcome::Failed || outcome == Publisher::Outcome::Stopped))
        NotifyPublishFailed(profile, publisher.lastReason());
}

} // namespace publish
