#include "memo/MemoServerState.h"

#include "core/CoreState.h"
#include "core/DesktopNotices.h"
#include "core/Form1.h"
#include "core/Logs.h"
#include "memo/MemoProgram.h"
#include "memo/MemoSetupState.h"
#include "memo/frmMemoServer.h"
#include "memo/frmMemoSetup.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace memo {
namespace {

const QString kLineName = QStringLiteral("lblServerState");
// The last start was told as failed: the next good one says so too.
bool g_toldFailure = false;
// A publish retries a server that could not listen: the same trouble again
// is not another notification.
QString g_notifiedProblem;

QLabel* stateLine()
{
    frmMemoSetup* setup = Memo().setupWindow();
    return setup ? setup->findChild<QLabel*>(kLineName) : nullptr;
}

void notifyNotListening(const QString& problem)
{
    platform::Notification n;
    n.summary = QStringLiteral("Memo server not started");
    n.body =
        problem.left(1).toUpper() + problem.mid(1) +
        QStringLiteral(": visitors of your page cannot leave memos. Choose another port in Memo > Setup.");
    n.actionLabel = QStringLiteral("Memo Setup");
    n.onAction = [] { Memo().setup().showSetup(); };
    NotifyDesktop(n);
}

} // namespace

QString MemoServerProblem()
{
    if (!Memo().settings().enabled())
        return QString();
    const frmMemoServer* server = Memo().server();
    if (!server)
        return QStringLiteral("it is not running");
    return server->listening() ? QString() : server->listenProblem();
}

void ReportServerStart()
{
    ShowServerState();
    const frmMemoServer* server = Memo().server();
    if (!server)
        return;
    Form1* form = Memo().mainWindow();
    if (server->listening()) {
        if (g_toldFailure && form)
            form->ftpStatus->setText(
                QStringLiteral("Memo server listening on port %1").arg(server->listeningPort()));
        g_toldFailure = false;
        g_notifiedProblem.clear();
        return;
    }
    g_toldFailure = true;
    const QString problem = server->listenProblem();
    DebugLog(QStringLiteral("[MemoServer] Not listening: ") + problem);
    if (form)
        form->ftpStatus->setText(QStringLiteral("Memo server not listening: ") + problem);
    // A one-shot run ends its server with the program: nothing to act on.
    if (!Core().OneShot && problem != g_notifiedProblem) {
        g_notifiedProblem = problem;
        notifyNotListening(problem);
    }
}

void ShowServerState()
{
    QLabel* line = stateLine();
    if (!line)
        return;
    const frmMemoServer* server = Memo().server();
    const bool failed = server && !server->listening();
    if (failed)
        line->setText(QStringLiteral("Not listening: %1. Choose another port and press OK.")
                          .arg(server->listenProblem()));
    else if (server)
        line->setText(QStringLiteral("Listening on port %1.").arg(server->listeningPort()));
    else
        line->setText(QStringLiteral("Not running."));
    line->setStyleSheet(failed ? QStringLiteral("color: rgb(255,0,0);") : QString());
}

void AddServerStateLine(frmMemoSetup& setup)
{
    auto* grid = qobject_cast<QGridLayout*>(setup.chkMemo->parentWidget()->layout());
    if (!grid)
        return;
    auto* line = new QLabel(setup.chkMemo->parentWidget());
    line->setObjectName(kLineName);
    line->setWordWrap(true);
    grid->addWidget(line, grid->rowCount(), 0, 1, 3);
    QObject::connect(setup.cmdControl[0], &QPushButton::clicked, line, [] {
        const frmMemoServer* server = Memo().server();
        if (server && !server->listening() && Memo().settings().enabled())
            Memo().restartServer();
    });
    ShowServerState();
}

} // namespace memo
