#include "memo/MemoWiring.h"

#include "core/AppHooks.h"
#include "core/Form1.h"
#include "memo/MemoHttpsOffer.h"
#include "memo/MemoProgram.h"
#include "memo/MemoServerState.h"
#include "memo/frmMemo.h"
#include "memo/frmMemoServer.h"
#include "memo/frmMemoSetup.h"

#include "core/CoreState.h"
#include "core/Logs.h"
#include "core/ProgramError.h"
#include "core/SaveFile.h"
#include "memo/MemoLogQueue.h"
#include "platform/FileDialogs.h"
#include "platform/MessageBoxes.h"

#include <QAction>
#include <QDir>

#include <cstdio>

namespace {

// Memos that Memo.txt never took go where the user says, while there is
// someone to ask; the question comes back until they are saved or given up.
bool saveWaitingMemosElsewhere(const MemoLogQueue& queue)
{
    for (;;) {
        const auto answer =
            MsgBox(queue.waitingText() + QStringLiteral(".\r\n\r\nSave them to another file?"),
                   platform::MsgButtons::YesNo, platform::MsgIcon::Exclamation);
        if (answer != platform::MsgAnswer::Yes)
            return false;
        const QString path = ShowSaveDialog(nullptr, QStringLiteral("Text files (*.txt)|*.txt"),
                                            QStringLiteral("Save Waiting Memos As"), QDir::homePath(),
                                            QStringLiteral("Memo.txt"));
        if (path.isEmpty())
            continue;
        if (TrapErrors("Save Waiting Memos", [&] { SaveUserFile(path, queue.waitingBytes()); }))
            return true;
    }
}

// The last chance for memos that could not be saved during the run.
void flushMemoLogAtExit()
{
    MemoLogQueue* queue = Memo().memoLogIfAny();
    if (!queue || queue->flush())
        return;
    if (!Core().OneShot && !Core().Unattended && saveWaitingMemosElsewhere(*queue))
        return;
    const QString text =
        QStringLiteral("at exit, ") + queue->waitingText() + QStringLiteral(": they are lost");
    DebugLog(QStringLiteral("[MemoServer] ") + text);
    std::fprintf(stderr, "halvorn: %s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}

} // namespace

void InstallMemoHooks()
{
    AppHooks& hooks = Hooks();
    hooks.loadSounds = [] { Memo().settings().LoadSounds(); };
    hooks.loadMemoServerSettings = [](bool oneShot) {
        MemoSetupState& settings = Memo().settings();
        settings.setOneShot(oneShot);
        settings.LoadMemoServerSettings();
    };
    // A publish is when the user expects visitors: a server that could not
    // listen (its port was taken) tries again, in case the port is free now.
    hooks.ensureMemoServer = [] {
        if (!Memo().settings().enabled())
            return;
        if (Memo().server() && !Memo().server()->listening())
            Memo().restartServer();
        else
            Memo().startServer();
    };
    hooks.memoServerProblem = [] { return memo::MemoServerProblem(); };
    hooks.publicAddressChanged = [](const QString& address) { memo::PublicAddressChanged(address); };
    hooks.closers[QStringLiteral("frmMemoServer")] = [] { Memo().stopServer(); };
    hooks.closers[QStringLiteral("frmMemo")] = [] {
        Memo().destroyMemoWindow();
        flushMemoLogAtExit();
    };
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
