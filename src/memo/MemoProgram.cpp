#include "memo/MemoProgram.h"

#include "memo/MemoLogQueue.h"

#include "core/Form1.h"
#include "memo/MemoHttpsTab.h"
#include "memo/MemoServerState.h"
#include "memo/MemoSetupState.h"
#include "memo/RouterPort.h"
#include "memo/frmMemo.h"
#include "memo/frmMemoServer.h"
#include "memo/frmMemoSetup.h"

#include <QAction>

MemoProgram& Memo()
{
    static MemoProgram program;
    return program;
}

MemoSetupState& MemoProgram::settings()
{
    if (!settings_) {
        settings_ = new MemoSetupState;
        QObject::connect(settings_, &MemoSetupState::awayRead, [this](bool away) { setAway(away); });
        QObject::connect(settings_, &MemoSetupState::serverSwitched, [this](bool on) {
            if (on)
                startServer();
            else
                stopServer();
        });
    }
    return *settings_;
}

frmMemoSetup& MemoProgram::setup()
{
    if (!setup_) {
        setup_ = new frmMemoSetup(settings());
        memo::AddRouterPortOption(*setup_);
        memo::AddServerStateLine(*setup_);
        memo::AddHttpsTab(*setup_);
    }
    return *setup_;
}

frmMemoServer* MemoProgram::server() const
{
    return server_.data();
}
frmMemo* MemoProgram::memoWindow() const
{
    return memo_.data();
}

void MemoProgram::startServer()
{
    if (server_)
        return;
    server_ = new frmMemoServer;
    if (server_->listening())
        memo::routerPort().open(server_->listeningPort());
    memo::ReportServerStart();
}

void MemoProgram::stopServer()
{
    memo::routerPort().close();
    delete server_.data();
    memo::ShowServerState();
}

void MemoProgram::restartServer()
{
    stopServer();
    startServer();
}

frmMemo& MemoProgram::memoWindowCreated()
{
    if (!memo_)
        memo_ = new frmMemo;
    return *memo_;
}

void MemoProgram::destroyMemoWindow()
{
    delete memo_.data();
}

bool MemoProgram::away() const
{
    if (mainWindow_)
        return mainWindow_->action(QStringLiteral("mnuAway"))->isChecked();
    return away_;
}

void MemoProgram::setAway(bool away)
{
    away_ = away;
    if (mainWindow_) {
        mainWindow_->action(QStringLiteral("mnuAway"))->setChecked(away);
        mainWindow_->action(QStringLiteral("mnuAway2"))->setChecked(away);
    }
}

MemoLogQueue& MemoProgram::memoLog()
{
    if (!memoLog_)
        memoLog_ = new MemoLogQueue;
    return *memoLog_;
}

void MemoProgram::reset()
{
    delete memoLog_;
    memoLog_ = nullptr;
    stopServer();
    destroyMemoWindow();
    delete setup_;
    setup_ = nullptr;
    delete settings_;
    settings_ = nullptr;
    globals = MemoGlobals();
    away_ = false;
}
