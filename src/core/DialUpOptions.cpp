#include "core/DialUpOptions.h"

#include "core/Form1.h"
#include "core/Ini.h"
#include "core/Logs.h"
#include "core/ProgramError.h"
#include "core/frmAuto.h"

#include <QAction>
#include <QTimer>

namespace {

struct Option {
    const char* action;
    const char* key;
    bool offersProfileList; // shows the Auto Update list first when nothing is selected
};

const Option kOptions[] = {
    {"mnuGoOnline", "Auto Online", true},
    {"mnuGoOffline", "Auto Offline", true},
    {"mnuPrompt", "Prompt on Exit", true},
    {"mnuRestore", "Reconnect", false},
    {"mnuAutoDisconnect", "Auto Disconnect", false},
};

} // namespace

void ConnectDialUpOptions(Form1& form)
{
    for (const Option& option : kOptions) {
        QAction* action = form.action(QString::fromLatin1(option.action));
        QObject::connect(action, &QAction::triggered, &form, [&form, option, action] {
            TrapErrors(option.action, [&] {
                if (option.offersProfileList && !form.autoWindow()->anySelected())
                    form.autoWindow()->exec();
                if (action == form.action(QStringLiteral("mnuRestore"))) {
                    if (action->isChecked())
                        form.Timer2->start();
                    else
                        form.Timer2->stop();
                }
                WriteIni(QStringLiteral("DialUp"), QString::fromLatin1(option.key),
                         BoolText(action->isChecked()));
            });
        });
    }
    // This desktop has no dial-up reconnect prompt to confirm; say so once.
    QObject::connect(form.Timer2, &QTimer::timeout, &form, [] {
        static bool told = false;
        if (!told)
            DebugLog(QStringLiteral(
                "[HVRN] Reconnect on Disconnect: no dial-up reconnect prompt to watch on this system"));
        told = true;
    });
}
