#include "core/ExitProcedure.h"

#include "core/AppHooks.h"
#include "core/CoreState.h"
#include "core/Form1.h"
#include "core/Ini.h"
#include "core/Loaders.h"
#include "core/Logs.h"
#include "core/Presence.h"
#include "core/ProgramDir.h"
#include "core/ProgramError.h"
#include "core/frmAuto.h"
#include "core/frmDebug.h"
#include "platform/MessageBoxes.h"
#include "platform/TrayArea.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>

namespace {

bool g_running = false;

bool checked(Form1& form, const char* name)
{
    return form.action(QString::fromLatin1(name))->isChecked();
}

// Publishes "Offline" for the listed profiles (all, or only the selected
// ones) whose last published status is "Online".
void goOffline(Form1& form, bool selectedOnly, bool reenableSelector)
{
    const frmAuto& list = *form.autoWindow();
    const QStringList names = list.names();
    for (int i = 0; i < names.size(); ++i) {
        if (selectedOnly && !list.isSelected(i))
            continue;
        form.selectProfile(names[i]);
        if (Core().CurrentStatus != QLatin1String("Online"))
            continue;
        form.Combo1->setEnabled(false);
        QApplication::processEvents();
        form.cmd_Offline_Click();
        if (reenableSelector)
            form.Combo1->setEnabled(true);
    }
}

enum class Decision { Continue, Cancel };

Decision askAndPublishOffline(Form1& form, ExitTrigger trigger)
{
    if (checked(form, "mnuPrompt") && form.autoWindow()->anySelected()) {
        // Nobody can answer a question when the session is ending: the user
        // asked to be offered going offline, so that is what happens.
        const platform::MsgAnswer answer =
            trigger == ExitTrigger::Signal
                ? platform::MsgAnswer::Yes
                : MsgBox(QStringLiteral("Go Offline before exiting?"), platform::MsgButtons::YesNoCancel,
                         platform::MsgIcon::Question, QStringLiteral("Warning Dialog"), &form);
        if (answer == platform::MsgAnswer::Cancel)
            return Decision::Cancel;
        if (answer == platform::MsgAnswer::Yes)
            goOffline(form, true, false);
        return Decision::Continue;
    }
    if (checked(form, "mnuGoOffline"))
        goOffline(form, false, true);
    return Decision::Continue;
}

void saveState(Form1& form)
{
    SaveProfile(form);
    // Away mode that presence switched on ends with the run: the user never chose it.
    const Presence* presence = CurrentPresence();
    const bool autoAway = presence && presence->effectsView().awayModeIsOurs();
    WriteIni(QStringLiteral("Memo"), QStringLiteral("Away"), BoolText(checked(form, "mnuAway") && !autoAway));
    WriteIni(QStringLiteral("StartUp"), QStringLiteral("HTML Editor"), form.txtHtml->text());
    WriteIni(QStringLiteral("StartUp"), QStringLiteral("Status"), Core().CurrentStatus);
}

void closeWindows(Form1& form)
{
    for (const char* name : kExitWindowOrder) {
        const QString window = QString::fromLatin1(name);
        if (window == QLatin1String("frmDebug"))
            form.debugWindow()->hide();
        else if (window == QLatin1String("frmAuto"))
            form.autoWindow()->hide();
        else if (const auto closer = Hooks().closers.value(window))
            TrapErrors("Form1 cmd_Exit", closer);
    }
    form.endProgram();
}

} // namespace

bool ExitProcedureRunning()
{
    return g_running;
}

void RunExitProcedure(Form1& form, ExitTrigger trigger)
{
    // A second exit request while the first waits for an upload is ignored.
    if (g_running || form.exiting())
        return;
    g_running = true;
    TrapErrors("Form1 cmd_Exit", [&] {
        if (!Core().ExitAfterUpload && askAndPublishOffline(form, trigger) == Decision::Cancel)
            return;
        Core().ExitAfterUpload = true;
        // A session that is ending answers no box the closers might show.
        if (trigger == ExitTrigger::Signal)
            Core().Unattended = true;
        form.setExiting();
        saveState(form);
        platform::trayArea().remove();
        const QString page = ProgramFile(QStringLiteral("$$tmp$$"));
        if (QFile::exists(page))
            QFile::remove(page);
        DebugLog(QStringLiteral("[Halvorn] Program Exited"));
        closeWindows(form);
    });
    g_running = false;
}
