#include "memo/frmMemoServer.h"

#include "core/AppHooks.h"
#include "core/CoreState.h"
#include "core/Ini.h"
#include "core/Logs.h"
#include "core/ProgramError.h"
#include "core/SettingText.h"
#include "memo/MemoHttps.h"
#include "memo/MemoLimits.h"
#include "memo/MemoLog.h"
#include "memo/MemoLogQueue.h"
#include "memo/MemoNotice.h"
#include "memo/MemoProgram.h"
#include "memo/MemoRequest.h"
#include "memo/MemoSetupState.h"
#include "memo/MemoText.h"
#include "memo/MemoTransport.h"
#include "memo/MemoVariables.h"
#include "memo/ReplySession.h"
#include "memo/Transcript.h"
#include "memo/frmMemo.h"
#include "platform/Clock.h"
#include "tools/Sounds.h"

#include <QTimer>

#include <cerrno>
#include <cstring>

namespace {

const QString kHandlePacket = QStringLiteral("Memo - HandlePacket");

void logVisitorError(int number, const QString& procedure)
{
    // Visitors cause these: they go to error.log and never raise a box.
    LogError(number, procedure, ErrorNotice::LogOnly);
}

// Why the port could not be opened, in words for the user.
QString listenProblemText(quint16 port, int error)
{
    if (error == EADDRINUSE)
        return QStringLiteral("port %1 is in use by another program").arg(port);
    return QStringLiteral("port %1 cannot be opened (%2)")
        .arg(port)
        .arg(QString::fromLocal8Bit(std::strerror(error)));
}

} // namespace

frmMemoServer::frmMemoServer()
{
    setObjectName(QStringLiteral("frmMemoServer"));
    Text1 = new Transcript(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    MemoTransport::Handlers handlers;
    handlers.accepted = [this](int index) { Listen_ConnectionRequest(index); };
    handlers.arrived = [this](int index, const QByteArray& request) {
        Connections_DataArrival(index, request);
    };
    handlers.complete = [this](int index, RequestScanner::Verdict verdict, const QByteArray& request) {
        requestComplete(index, verdict == RequestScanner::Verdict::Complete, request);
    };
    handlers.closed = [this](int index, bool byVisitor) { Connections_Close(index, byVisitor); };
    handlers.failed = [this](int index, int error) { Connections_Error(index, error); };
    transport_ = new MemoTransport(std::move(handlers), this);
    https_ = new MemoHttps(*transport_, this);
    Form_Load();
}

frmMemoServer::~frmMemoServer()
{
    abandonSession();
    // The connections go without a word to the memo logic being torn down.
    delete transport_;
    transport_ = nullptr;
}

void frmMemoServer::Form_Load()
{
    MemoSetupState& setup = Memo().settings();
    const QString portText =
        ReadIni(QStringLiteral("Memo"), QStringLiteral("MemoServer Port"), QStringLiteral("4175"));
    setup.setPort(portText);
    const double port = LeadingNumber(portText);
    if (!(port >= 1 && port <= 65535)) {
        AlertBeep();
        DebugLog(QStringLiteral("[MemoServer] Error: Port out of range: ") + portText.left(40));
        listenProblem_ = QStringLiteral("\"%1\" is no port number (1 to 65535)").arg(portText.left(40));
        return;
    }
    if (!transport_->listen(quint16(port))) {
        const int error = errno;
        AlertBeep();
        if (error == EADDRINUSE)
            DebugLog(QStringLiteral("[MemoServer] Error Port in use"));
        listenProblem_ = listenProblemText(quint16(port), error);
        return;
    }
    DebugLog(QStringLiteral("[MemoServer] Server Started"));
    DebugLog(QStringLiteral("[MemoServer] Listening on Port: ") + QString::number(transport_->port()));
    https_->apply(setup.https);
    // OK in Memo > Setup puts new HTTPS settings in force at once.
    connect(&setup, &MemoSetupState::changed, this, [this] { https_->apply(Memo().settings().https); });
    lookUpAddressForPages();
}

void frmMemoServer::lookUpAddressForPages()
{
    // The pages' memo forms send visitors back to the machine's address. A
    // server started before any upload would otherwise hand out forms posting
    // to "http://:port/"; the address is looked up a second after start-up,
    // as the first address check is, so the window is never kept waiting for
    // a resolver. A one-shot run's upload looks it up itself.
    constexpr int kAfterStartUpMs = 1000;
    const auto needed = [] {
        return IsUnusableAddress(Core().LocalIP) && Hooks().startSock && !Core().OneShot;
    };
    if (needed())
        QTimer::singleShot(kAfterStartUpMs, this, [needed] {
            if (needed())
                Hooks().startSock();
        });
}

bool frmMemoServer::listening() const
{
    return transport_->listening();
}
quint16 frmMemoServer::listeningPort() const
{
    return transport_->port();
}
int frmMemoServer::connectionCount() const
{
    return transport_->connectionCount();
}
int frmMemoServer::nextIndex() const
{
    return transport_->nextIndex();
}
int frmMemoServer::connectionCap() const
{
    return transport_->connectionCap();
}
quint64 frmMemoServer::connectionIdOf(int index) const
{
    return transport_->idOf(index);
}

void frmMemoServer::Listen_ConnectionRequest(int index)
{
    addTranscript(QStringLiteral("Connection %1\r\n").arg(index));
}

void frmMemoServer::Connections_DataArrival(int, const QByteArray& request)
{
    addTranscript(QString::fromLatin1(request.left(1000)));
}

void frmMemoServer::requestComplete(int index, bool memo, const QByteArray& request)
{
    if (answeredBeforeMemoRules(index, request))
        return;
    if (!memo) {
        SendNotFound(index);
        CloseSocket(index);
        return;
    }
    if (const auto line = BrowserLine(request))
        DebugLog(QStringLiteral("[Memo-Server] ") + QString::fromLatin1(*line));
    dispatch(index, request);
}

bool frmMemoServer::answeredBeforeMemoRules(int index, const QByteArray& request)
{
    // The ACME server's validation comes over plain HTTP, from anywhere.
    if (const auto answer = https_->challengeAnswer(request)) {
        transport_->write(index, *answer);
    } else if (transport_->plainOnTlsPort(index)) {
        transport_->write(index, pages::redirectPage(Memo().settings().pageSettings().localIP,
                                                     QString::number(transport_->port()), request));
    } else {
        return false;
    }
    transport_->close(index);
    return true;
}

void frmMemoServer::dispatch(int index, const QByteArray& request)
{
    if (!admitVisitor(index) || Busy) {
        SendBusy(index, request);
        CloseSocket(index);
        return;
    }
    Busy = true;
    ServedIndex = index;
    ++servedSerial_;
    HandlePacket(request, index);
}

void frmMemoServer::endMemo()
{
    Busy = false;
}

bool frmMemoServer::admitVisitor(int index)
{
    // Only memos that will be handled count against the visitor: a memo
    // turned away as busy is neither logged nor shown.
    if (Busy || !transport_->connected(index))
        return true;
    const qint64 now = transport_->now();
    rate_.prune(now);
    const platform::IpAddress visitor = transport_->peerOf(index);
    if (rate_.admit(visitor, now, memoLimits().memosPerVisitorPerMinute))
        return true;
    DebugLog(QStringLiteral("[Memo-Server] Too many memos from ") + visitor.toString());
    return false;
}

void frmMemoServer::HandlePacket(const QByteArray& request, int index)
{
    MemoGlobals& g = Memo().globals;
    MemoSetupState& setup = Memo().settings();
    try {
        const ExtractedMemo memo = ExtractMemo(request);
        if (memo.outcome != MemoExtract::Memo) {
            CloseSocket(index);
            endMemo();
            return;
        }
        const MemoLimits& limits = memoLimits();
        g.MemoWebSite = memo::cutText(memo.fields.webSite, limits.maxFieldBytes);
        g.MemoSender = memo::cutText(memo.fields.sender, limits.maxFieldBytes);
        g.MemoText = memo::cutText(memo.fields.text, limits.maxMessageBytes);
        g.ReplyWanted = memo.fields.replyWanted;
        // A memo that cannot be logged yet is kept, still shown and answered.
        Memo().memoLog().append(
            MemoLogRecord(platform::clock().now(), g.MemoWebSite, g.MemoSender, g.MemoText));
        const bool away = Memo().away();
        if ((setup.memoNotice() || g.ReplyWanted) && !away)
            presentMemo();
        memo::NotifyMemoArrived(g, away);
        ++MemoCount;
        DebugLog(QStringLiteral("Memo-Server] Received Memo #") + QString::number(MemoCount));
        if (away)
            SendAway(index);
        if (setup.soundEnabled())
            PlaySoundFile(setup.soundFile());
        // Away mode answers with the away page only: no hidden reply wait.
        if (away) {
            endMemo();
            return;
        }
        SendHTML(index);
    } catch (...) {
        logVisitorError(ErrorNumberOf(std::current_exception()), kHandlePacket);
        CloseSocket(index);
        endMemo();
    }
}

void frmMemoServer::presentMemo()
{
    // A wait whose visitor has gone gives up the window to the new memo.
    abandonSession();
    MemoGlobals& g = Memo().globals;
    frmMemo& window = Memo().memoWindowCreated();
    window.present(Memo().settings().timeoutText());
    SenderName = g.MemoSender;
}

void frmMemoServer::SendHTML(int index)
{
    auto* session = new ReplySession(*this, index, servedSerial_);
    if (Memo().globals.ReplyWanted) {
        abandonSession();
        session_ = session;
    }
    session->start();
}

void frmMemoServer::abandonSession()
{
    if (ReplySession* old = session_.data()) {
        session_ = nullptr;
        old->abandon();
    }
}

void frmMemoServer::sessionFinished(ReplySession* session)
{
    if (session_ == session)
        session_ = nullptr;
    // A page that lost its visitor must not end a newer memo's turn.
    if (Busy && session->serial() == servedSerial_)
        endMemo();
    session->deleteLater();
}

void frmMemoServer::SendAway(int index)
{
    // The whole page in one write.
    MemoSetupState& setup = Memo().settings();
    QByteArray page = pages::responseHead();
    const QByteArray custom = setup.pageEnabled(PageAway) ? ReadHTML(setup.pageFile(PageAway)) : QByteArray();
    if (!custom.isEmpty()) {
        page += custom + "\r\n";
    } else {
        for (const QByteArray& piece : pages::awayPieces(setup.pageSettings(), Memo().globals.MemoSender))
            page += piece;
    }
    SendText(index, page);
    CloseSocket(index);
}

void frmMemoServer::SendBusy(int index, const QByteArray& request)
{
    // Also sent while no memo is handled (a visitor over its allowance), so
    // it does not go through SendText.
    if (!transport_->connected(index))
        return;
    MemoSetupState& setup = Memo().settings();
    if (setup.pageEnabled(PageBusy)) {
        transport_->write(index, pages::responseHead() + ReadHTML(setup.pageFile(PageBusy)));
        return;
    }
    const BusyFields fields = ExtractBusyFields(request);
    transport_->write(index, pages::busyPage(setup.pageSettings(), fields.name, fields.message));
}

void frmMemoServer::SendNotFound(int index)
{
    // The one page that goes out whether or not a memo is being handled.
    const PageSettings settings = Memo().settings().pageSettings();
    if (notFoundPage_.isEmpty() || !(settings == notFoundFor_)) {
        notFoundPage_ = pages::notFoundPage(settings);
        notFoundFor_ = settings;
    }
    transport_->write(index, notFoundPage_);
}

void frmMemoServer::SendText(int index, const QByteArray& text)
{
    if (Busy && !transport_->write(index, text) && index == ServedIndex)
        Busy = false;
}

void frmMemoServer::CloseSocket(int index)
{
    if (!transport_->connected(index)) {
        if (transport_->idOf(index) == 0)
            Busy = false;
        return;
    }
    if (index == ServedIndex)
        Busy = false;
    transport_->close(index);
}

void frmMemoServer::sendFor(quint64 serial, int index, quint64 connection, const QByteArray& text)
{
    if (!Busy || serial != servedSerial_)
        return;
    if (connection == 0 || transport_->idOf(index) != connection || !transport_->write(index, text))
        Busy = false;
}

void frmMemoServer::closeFor(quint64 serial, int index, quint64 connection)
{
    if (connection == 0 || transport_->idOf(index) != connection)
        return;
    if (serial == servedSerial_ && index == ServedIndex)
        CloseSocket(index);
    else
        transport_->close(index);
}

void frmMemoServer::Connections_Close(int index, bool byVisitor)
{
    addTranscript(QStringLiteral("Disconnected %1\r\n").arg(index));
    const bool servedWaiting = byVisitor && Busy && index == ServedIndex && session_ && session_->waiting();
    if (!servedWaiting)
        return;
    // The visitor left during the wait: the count-down stops and the next
    // visitor is served instead of refused.
    Busy = false;
    RemoteClosed = true;
    if (frmMemo* window = Memo().memoWindow())
        window->showRemoteClosed();
}

void frmMemoServer::Connections_Error(int index, int error)
{
    AlertBeep();
    DebugLog(QStringLiteral("[Memo-Server] Error: ") + QString::number(error) +
             QStringLiteral(" on connection ") + QString::number(index));
}

QByteArray frmMemoServer::ReadHTML(const QString& fileName)
{
    return ReadMemoPage(fileName, SenderName);
}

QString frmMemoServer::transcript() const
{
    return Text1->text();
}

void frmMemoServer::addTranscript(const QString& text)
{
    if (Core().DebugToFile)
        Text1->add(text);
}
