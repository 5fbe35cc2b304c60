#include "tools/ToolsWiring.h"

#include "core/AppHooks.h"
#include "core/Form1.h"
#include "core/Logs.h"
#include "core/MenuTable.h"
#include "platform/SoundDevice.h"
#include "tools/Help.h"
#include "tools/Launcher.h"
#include "tools/frmAbout.h"

#include <QAction>
#include <QPointer>

namespace {

// Start-up fills the menus through a hook installed before the main window
// exists; the window is known once the tools are attached to it.
QPointer<Form1> g_form;

void onAction(Form1& form, const QString& name, std::function<void()> handler)
{
    if (QAction* action = form.action(name))
        QObject::connect(action, &QAction::triggered, &form, std::move(handler));
}

} // namespace

void InstallToolsHooks()
{
    Hooks().addLaunch = [] {
        if (g_form)
            AddLaunch(*g_form);
    };
    Hooks().closers.insert(QStringLiteral("frmConfig"), [] { CloseLaunchEditor(); });
    Hooks().closers.insert(QStringLiteral("frmAbout"), [] { CloseAboutWindow(); });
    platform::setSoundNotice([](const QString& text) { DebugLog(text); });
}

void AttachTools(Form1& form)
{
    g_form = &form;
    Form1* main = &form;
    for (int i = 0; i < kLaunchSlots; ++i) {
        onAction(form, QStringLiteral("Item_%1").arg(i), [main, i] { LaunchProgram(*main, i); });
        onAction(form, QStringLiteral("mnuitem_%1").arg(i), [main, i] { LaunchProgram(*main, i); });
    }
    onAction(form, QStringLiteral("mnuCustom"), [main] { ShowLaunchEditor(*main, true); });
    onAction(form, QStringLiteral("mnuCustom1"), [main] { ShowLaunchEditor(*main, false); });
    onAction(form, QStringLiteral("mnuContents"), [] { mnuContents_Click(); });
    onAction(form, QStringLiteral("mnuhvrn"), [main] { ShowAboutWindow(main); });
}

void HideToolWindows()
{
    HideLaunchEditor();
    HideAboutWindow();
}
