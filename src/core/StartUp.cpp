#include "core/StartUp.h"

#include "core/AppHooks.h"
#include "core/CoreState.h"
#include "core/Form1.h"
#include "core/Loaders.h"
#include "core/Logs.h"
#include "core/ProgramDirCheck.h"
#include "core/ProgramError.h"
#include "core/StartupTrace.h"
#include "core/StatusTray.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>

namespace {

void call(const std::function<void()>& hook)
{
    if (hook)
        hook();
}

void hideMinimised(Form1& form)
{
    form.hide();
    form.setWindowState(form.windowState() | Qt::WindowMinimized);
}

void runLoaders(Form1& form)
{
    call(Hooks().loadSounds);
    LoadProfiles(form);
    LoadStartup(form);
    // After LoadStartup, so that what the keyring answers can reach debug.log.
    StartPasswordVault(form, Core().OneShot);
    LoadPass(form);
    call(Hooks().addLaunch);
}

void applySwitch(Form1& form, CommandSwitch sw)
{
    switch (sw) {
    case CommandSwitch::None:
        return;
    case CommandSwitch::Min:
        hideMinimised(form);
        return;
    case CommandSwitch::Online:
        hideMinimised(form);
        Core().ExitAfterUpload = true;
        form.cmd_Online_Click();
        return;
    case CommandSwitch::Offline:
        hideMinimised(form);
        Core().ExitAfterUpload = true;
        form.cmd_Offline_Click();
        return;
    }
}

// One-shot runs always end: a start-up that could not reach its upload
// exits non-zero with the reason on stderr.
void failOneShot(Form1& form)
{
    const QString why = Core().LastError.isEmpty() ? QStringLiteral("the page was not published")
                                                   : QStringLiteral("start-up failed: ") + Core().LastError +
                                                         QStringLiteral("; see error.log");
    std::fprintf(stderr, "halvorn: %s\n", why.toLocal8Bit().constData());
    std::fflush(stderr);
    Core().ExitCode = 1;
    Core().ExitAfterUpload = true;
    form.cmd_Exit_Click();
}

} // namespace

CommandSwitch ParseCommandSwitch(const QString& commandLine)
{
    const QString text = commandLine.toLower();
    if (text == QLatin1String("-min"))
        return CommandSwitch::Min;
    if (text == QLatin1String("-online"))
        return CommandSwitch::Online;
    if (text == QLatin1String("-offline"))
        return CommandSwitch::Offline;
    return CommandSwitch::None;
}

void RunStartUp(Form1& form, const QString& commandLine)
{
    const CommandSwitch sw = ParseCommandSwitch(commandLine);
    const bool oneShot = sw == CommandSwitch::Online || sw == CommandSwitch::Offline;
    Core().OneShot = oneShot;
    Core().LastError.clear();
    bool windowShown = false;
    TellProgramDirProblems();
    TrapErrors("Sub Main Load", [&] {
        runLoaders(form);
        form.tray()->GoSystemTray();
        call(Hooks().loadMailSettings);
        if (Hooks().loadMemoServerSettings)
            Hooks().loadMemoServerSettings(oneShot);
        call(Hooks().loadMailbox);
        TraceStartupStep("settings loaded");
        if (Core().CurrentStatus.isEmpty())
            Core().CurrentStatus = QStringLiteral("Offline");
        form.setStatusCaption(Core().CurrentStatus);
        // Settings that failed to load must not be published half-read.
        if (oneShot && !Core().LastError.isEmpty())
            return;
        applySwitch(form, sw);
        if (form.ended())
            return;
        QApplication::processEvents();
        if (form.ended())
            return;
        // A minimised window stays minimised (and goes into the tray).
        if (form.isMinimized())
            form.showMinimized();
        else
            form.show();
        windowShown = true;
        TraceStartupStep("window shown");
        form.Timer3->start();
        form.tray()->SysTrayMod();
        DebugLog(QStringLiteral("[HVRN] All Settings Loaded"));
    });
    if (oneShot && !form.ended())
        failOneShot(form);
    else if (!windowShown && !form.ended())
        form.show();
}

QString AnswerSecondStart(Form1& form, const QString& commandLine)
{
    const CommandSwitch sw = ParseCommandSwitch(commandLine);
    if (sw == CommandSwitch::Min)
        return QString();
    if (sw == CommandSwitch::None) {
        DebugLog(QStringLiteral("[HVRN] Started again: window brought to the front"));
        form.tray()->restoreWindow();
        return QString();
    }
    if (form.exiting() || Core().ExitAfterUpload)
        return QStringLiteral("the running program is ending; try again");
    if (!Hooks().publishResult)
        return QStringLiteral("publishing is not available in this build");
    DebugLog(QStringLiteral("[HVRN] Publishing for a second start: ") + commandLine.toLower());
    Core().Unattended = true;
    if (sw == CommandSwitch::Online)
        form.cmd_Online_Click();
    else
        form.cmd_Offline_Click();
    Core().Unattended = false;
    return Hooks().publishResult();
}
