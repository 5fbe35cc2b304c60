#include "core/StartUp.h"

#include "core/AppHooks.h"
#include "core/CoreState.h"
#include "core/Form1.h"
#include "core/Loaders.h"
#include "core/Logs.h"
#include "core/ProgramError.h"
#include "core/TrayIcon.h"

#include <QApplication>
#include <QTimer>

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
    bool windowShown = false;
    TrapErrors("Sub Main Load", [&] {
        runLoaders(form);
        form.tray()->GoSystemTray();
        call(Hooks().loadMailSettings);
        if (Hooks().loadMemoServerSettings)
            Hooks().loadMemoServerSettings(oneShot);
        call(Hooks().loadMailbox);
        if (Core().CurrentStatus.isEmpty())
            Core().CurrentStatus = QStringLiteral("Offline");
        form.setStatusCaption(Core().CurrentStatus);
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
        form.Timer3->start();
        form.tray()->SysTrayMod();
        DebugLog(QStringLiteral("[HVRN] All Settings Loaded"));
    });
    if (!windowShown && !form.ended() && !oneShot)
        form.show();
}
