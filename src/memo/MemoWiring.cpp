#include "memo/MemoWiring.h"

#include "core/AppHooks.h"
#include "core/Form1.h"
#include "memo/MemoProgram.h"
#include "memo/MemoServerState.h"
#include "memo/frmMemo.h"
#include "memo/frmMemoSetup.h"

#include <QAction>

void InstallMemoHooks()
{
    AppHooks& hooks = Hooks();
    hooks.loadSounds = [] { Memo().settings().LoadSounds(); };
    hooks.loadMemoServerSettings = [](bool oneShot) {
        MemoSetupState& settings = Memo().settings();
        settings.setOneShot(oneShot);
        settings.LoadMemoServerSettings();
    };
    hooks.ensureMemoServer = [] {
        if (Memo().settings().enabled())
            Memo().startServer();
    };
    hooks.memoServerProblem = [] { return memo::MemoServerProblem(); };
    hooks.closers[QStringLiteral("frmMemoServer")] = [] { Memo().stopServer(); };
    hooks.closers[QStringLiteral("frmMemo")] = [] { Memo().destroyMemoWindow(); };
}

void AttachMemo(Form1& form)
{
    Memo().attach(&form);
    auto on = [&form](const char* name, auto handler) {
        QObject::connect(form.action(QString::fromLatin1(name)), &QAction::triggered, &form, handler);
    };
    on("mnuViewM", [&form] { ViewMemoLog(&form); });
    on("mnuViewM2", [&form] { ViewMemoLog(&form); });
    on("mnuRestart", [] { Memo().restartServer(); });
    on("mnuRestart2", [] { Memo().restartServer(); });
    on("mnuMemoSetup", [] { Memo().setup().showSetup(); });
    QObject::connect(&form, &QObject::destroyed, [] { Memo().attach(nullptr); });
}
