#include "publish/ConnectionWatch.h"

#include "core/CoreState.h"
#include "core/Form1.h"
#include "core/Ini.h"
#include "core/ProgramError.h"
#include "core/frmAuto.h"
#include "publish/AddressLookup.h"
#include "publish/Profiles.h"
#include "publish/PublicAddress.h"
#include "publish/Publisher.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QTimer>

namespace publish {

void Timer3_Timer(Form1& form)
{
    TrapErrors("Timer3_Timer", [&] {
        form.Timer3->stop();
        if (Core().ExitAfterUpload || !MainAction(form, "mnuGoOnline")->isChecked())
            return;
        RefreshPublicAddress(kRecentCheckMs);
        StartSock(form);
        if (IsUnusableAddress(AdvertisedAddress()))
            return;
        const frmAuto& list = *form.autoWindow();
        const QStringList names = list.names();
        for (int i = 0; i < names.size(); ++i) {
            if (!list.isSelected(i))
                continue;
            if (Publisher* publisher = CurrentPublisher())
                publisher->ProfileDirty = false;
            form.selectProfile(names[i]);
            const QString lastAddress = ReadIni(names[i], QStringLiteral("Current IP"), QString());
            if (lastAddress == AdvertisedAddress() && Core().CurrentStatus != QLatin1String("Offline"))
                continue;
            form.Combo1->setEnabled(false);
            QApplication::processEvents();
            form.cmd_Online_Click();
            form.Combo1->setEnabled(true);
        }
    });
}

} // namespace publish
