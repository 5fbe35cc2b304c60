#include "memo/ReplySession.h"

#include "core/Logs.h"
#include "core/ProgramError.h"
#include "core/SettingText.h"
#include "memo/MemoLimits.h"
#include "memo/MemoPages.h"
#include "memo/MemoProgram.h"
#include "memo/MemoSetupState.h"
#include "memo/MemoText.h"
#include "memo/ReplyChannel.h"
#include "memo/frmMemo.h"

ReplySession::ReplySession(ReplyChannel& server, int index, quint64 serial)
    : QObject(server.owner()), server_(server), index_(index), serial_(serial),
      connection_(server.connectionIdOf(index))
{
    timer_.setInterval(memoLimits().replyTickMs);
    connect(&timer_, &QTimer::timeout, this, &ReplySession::tick);
}

bool ReplySession::page(int index) const
{
    return Memo().settings().pageEnabled(index);
}

void ReplySession::send(const QByteArray& text)
{
    if (!finished_)
        server_.sendFor(serial_, index_, connection_, text);
}

void ReplySession::start()
{
    MemoGlobals& g = Memo().globals;
    MemoSetupState& setup = Memo().settings();
    try {
        g.ReplyTyping = false;
        // Head and opening in one write, and the closing too when no reply
        // is awaited.
        QByteArray text = pages::responseHead();
        if (page(PageMemo)) {
            text += server_.ReadHTML(setup.pageFile(PageMemo));
        } else {
            for (const QByteArray& piece : pages::opening(setup.pageSettings()))
                text += piece;
        }
        if (!g.ReplyWanted) {
            send(text + closing());
            server_.closeFor(serial_, index_, connection_);
            finish();
            return;
        }
        send(text);
        g.ReplyCountdown = memo::toInt16(LeadingNumber(setup.timeoutText()));
        g.ReplySent = false;
        server_.clearRemoteClosed();
        g.MemoReply.clear();
        interimSent_ = false;
        timer_.start();
        tick();
    } catch (...) {
        LogError(ErrorNumberOf(std::current_exception()), QStringLiteral("SendHTML"), ErrorNotice::LogOnly);
        timer_.stop();
        server_.closeFor(serial_, index_, connection_);
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
            send(server_.ReadHTML(Memo().settings().pageFile(PageHeader)));
        else
            send(pages::interimPiece(server_.senderName()));
        g.ReplyTyping = false;
    }
    frmMemo* window = Memo().memoWindow();
    if (server_.remoteClosed()) {
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
    server_.clearRemoteClosed();
    if (!g.MemoReply.isEmpty() && g.ReplyCountdown >= 0) {
        sendClosing();
        return;
    }
    if (page(PageTimeout)) {
        send(server_.ReadHTML(Memo().settings().pageFile(PageTimeout)) + "\r\n");
        server_.closeFor(serial_, index_, connection_);
        finish();
        return;
    }
    g.MemoReply = QStringLiteral("Timeout, No reply");
    sendClosing();
}

QByteArray ReplySession::closing() const
{
    const MemoGlobals& g = Memo().globals;
    MemoSetupState& setup = Memo().settings();
    if (page(PageHeader))
        return page(PageFooter) ? server_.ReadHTML(setup.pageFile(PageFooter)) + "\r\n\r\n" : QByteArray();
    if (g.ReplyWanted)
        return pages::replyBlock(setup.pageSettings(), g.MemoReply, g.MemoSender);
    return pages::noReplyBlock();
}

void ReplySession::sendClosing()
{
    if (const QByteArray text = closing(); !text.isEmpty())
        send(text);
    server_.closeFor(serial_, index_, connection_);
    finish();
}

void ReplySession::abandon()
{
    timer_.stop();
    if (finished_)
        return;
    Memo().destroyMemoWindow();
    server_.closeFor(serial_, index_, connection_);
    finish();
}

void ReplySession::finish()
{
    if (finished_)
        return;
    finished_ = true;
    server_.sessionFinished(this);
}
