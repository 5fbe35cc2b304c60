#include "memo/ReplySession.h"

#include "core/Logs.h"
#include "core/ProgramError.h"
#include "core/SettingText.h"
#include "memo/MemoLimits.h"
#include "memo/MemoPages.h"
#include "memo/MemoProgram.h"
#include "memo/MemoText.h"
#include "memo/frmMemo.h"
#include "memo/frmMemoServer.h"
#include "memo/frmMemoSetup.h"

#include <QTcpSocket>

ReplySession::ReplySession(frmMemoServer& server, int index, quint64 serial)
    : QObject(&server), server_(server), index_(index), serial_(serial), socket_(server.socketOf(index))
{
    timer_.setInterval(memoLimits().replyTickMs);
    connect(&timer_, &QTimer::timeout, this, &ReplySession::tick);
}

bool ReplySession::page(int index) const { return Memo().setup().pageEnabled(index); }

void ReplySession::send(const QByteArray& text)
{
    if (!finished_)
        server_.sendFor(serial_, socket_, text);
}

void ReplySession::start()
{
    MemoGlobals& g = Memo().globals;
    frmMemoSetup& setup = Memo().setup();
    try {
        g.ReplyTyping = false;
        send(pages::responseHead());
        if (page(PageMemo)) {
            send(server_.ReadHTML(setup.pageFile(PageMemo)));
        } else {
            for (const QByteArray& piece : pages::opening(setup.pageSettings()))
                send(piece);
        }
        if (!g.ReplyWanted) {
            sendClosing();
            return;
        }
        g.ReplyCountdown = memo::toInt16(LeadingNumber(setup.timeoutText()));
        g.ReplySent = false;
        server_.RemoteClosed = false;
        g.MemoReply.clear();
        interimSent_ = false;
        timer_.start();
        tick();
    } catch (...) {
        LogError(ErrorNumberOf(std::current_exception()), QStringLiteral("SendHTML"), ErrorNotice::LogOnly);
        timer_.stop();
        server_.closeFor(serial_, socket_);
        finish();
    }
}

void ReplySession::tick()
{
    if (finished_)
        return;
    MemoGlobals& g = Memo().globals;
    if (g.ReplyCountdown < 0 || g.ReplySent) {
        endWait();
        return;
    }
    if (g.ReplyTyping && !interimSent_) {
        interimSent_ = true;
        if (page(PageHeader))
            send(server_.ReadHTML(Memo().setup().pageFile(PageHeader)));
        else
            send(pages::interimPiece(server_.SenderName));
        g.ReplyTyping = false;
    }
    frmMemo* window = Memo().memoWindow();
    if (server_.RemoteClosed) {
        if (window)
            window->showRemoteClosed();
    } else {
        --g.ReplyCountdown;
        if (window)
            window->showCountdown(g.ReplyCountdown);
    }
    if (!g.MemoReply.isEmpty())
        endWait();
}

void ReplySession::endWait()
{
    timer_.stop();
    MemoGlobals& g = Memo().globals;
    Memo().destroyMemoWindow();
    server_.RemoteClosed = false;
    if (!g.MemoReply.isEmpty() && g.ReplyCountdown >= 0) {
        sendClosing();
        return;
    }
    if (page(PageTimeout)) {
        send(server_.ReadHTML(Memo().setup().pageFile(PageTimeout)) + "\r\n");
        server_.closeFor(serial_, socket_);
        finish();
        return;
    }
    g.MemoReply = QStringLiteral("Timeout, No reply");
    sendClosing();
}

void ReplySession::sendClosing()
{
    const MemoGlobals& g = Memo().globals;
    frmMemoSetup& setup = Memo().setup();
    if (page(PageHeader)) {
        if (page(PageFooter))
            send(server_.ReadHTML(setup.pageFile(PageFooter)) + "\r\n\r\n");
    } else if (g.ReplyWanted) {
        send(pages::replyBlock(setup.pageSettings(), g.MemoReply, g.MemoSender));
    } else {
        send(pages::noReplyBlock());
    }
    server_.closeFor(serial_, socket_);
    finish();
}

void ReplySession::abandon()
{
    timer_.stop();
    if (finished_)
        return;
    Memo().destroyMemoWindow();
    server_.closeFor(serial_, socket_);
    finish();
}

void ReplySession::finish()
{
    if (finished_)
        return;
    finished_ = true;
    server_.sessionFinished(this);
}
