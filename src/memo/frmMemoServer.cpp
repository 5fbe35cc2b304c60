#include "memo/frmMemoServer.h"

#include "core/CoreState.h"
#include "core/Ini.h"
#include "core/Logs.h"
#include "core/ProgramError.h"
#include "core/SettingText.h"
#include "memo/DescriptorLimit.h"
#include "memo/MemoLimits.h"
#include "memo/MemoLog.h"
#include "memo/MemoPages.h"
#include "memo/MemoNotice.h"
#include "memo/MemoProgram.h"
#include "memo/MemoRequest.h"
#include "memo/MemoText.h"
#include "memo/MemoVariables.h"
#include "memo/ReplySession.h"
#include "memo/Transcript.h"
#include "memo/frmMemo.h"
#include "memo/frmMemoSetup.h"
#include "platform/Clock.h"
#include "tools/Sounds.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace {

const QString kHandlePacket = QStringLiteral("Memo - HandlePacket");
// Descriptors left free below the count at which accepting ran out of them.
constexpr int kDescriptorHeadroom = 16;

void logVisitorError(int number, const QString& procedure)
{
    // Visitors cause these: they go to error.log and never raise a box.
    LogError(number, procedure, ErrorNotice::LogOnly);
}

// Pages are small: handing them to the system at once saves a trip through
// the event loop per piece, and a close right after finds nothing pending.
void writeNow(QTcpSocket* socket, const QByteArray& text)
{
    socket->write(text);
    socket->flush();
}

} // namespace

frmMemoServer::frmMemoServer()
{
    setObjectName(QStringLiteral("frmMemoServer"));
    setWindowTitle(QStringLiteral("Memo Server"));
    Listen = new QTcpServer(this);
    Listen->setObjectName(QStringLiteral("Listen"));
    Text1 = new QPlainTextEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->hide();
    transcript_ = new Transcript(Text1, this);
    descriptorLimit_ = RaiseDescriptorLimit();
    cap_ = ConnectionCap(descriptorLimit_, memoLimits());
    clock_.start();
    sweep_ = new QTimer(this);
    sweep_->setInterval(std::clamp(memoLimits().idleTimeoutMs / 4, 10, 1000));
    connect(sweep_, &QTimer::timeout, this, &frmMemoServer::sweep);
    connect(Listen, &QTcpServer::newConnection, this, &frmMemoServer::Listen_ConnectionRequest);
    connect(Listen, &QTcpServer::acceptError, this, &frmMemoServer::acceptFailed);
    Form_Load();
}

frmMemoServer::~frmMemoServer()
{
    abandonSession();
    Listen->close();
    for (auto& [index, c] : connections_) {
        c.socket->disconnect(this);
        c.socket->abort();
        delete c.socket;
    }
    connections_.clear();
}

void frmMemoServer::Form_Load()
{
    frmMemoSetup& setup = Memo().setup();
    const QString portText = ReadIni(QStringLiteral("Memo"), QStringLiteral("MemoServer Port"), QStringLiteral("4175"));
    setup.txtMemoPort->setText(portText);
    const double port = LeadingNumber(portText);
    if (!(port >= 1 && port <= 65535)) {
        AlertBeep();
        DebugLog(QStringLiteral("[MemoServer] Error: Port out of range: ") + portText.left(40));
        return;
    }
    if (!Listen->listen(QHostAddress::Any, quint16(port))) {
        AlertBeep();
        if (Listen->serverError() == QAbstractSocket::AddressInUseError)
            DebugLog(QStringLiteral("[MemoServer] Error Port in use"));
        return;
    }
    sweep_->start();
    DebugLog(QStringLiteral("[MemoServer] Server Started"));
    DebugLog(QStringLiteral("[MemoServer] Listening on Port: ") + QString::number(Listen->serverPort()));
}

void frmMemoServer::acceptFailed(QAbstractSocket::SocketError error)
{
    // The listener has paused itself; it resumes after a pause instead of
    // failing in a loop.
    if (error == QAbstractSocket::SocketResourceError)
        keepDescriptorsFree();
    if (resumePending_)
        return;
    resumePending_ = true;
    DebugLog(QStringLiteral("[Memo-Server] Error: ") + QString::number(int(error)));
    QTimer::singleShot(50, Listen, [this] {
        resumePending_ = false;
        Listen->resumeAccepting();
    });
}

void frmMemoServer::keepDescriptorsFree()
{
    // Other parts of the process may hold descriptors too. Qt retries an
    // accept() that fails for want of one at once and for ever, so the
    // process must not get there: near the limit the cap comes down to what
    // the process can hold, and the oldest requests still being collected
    // make room for the visitors waiting in the backlog.
    if (!NearDescriptorLimit(descriptorLimit_, kDescriptorHeadroom))
        return;
    cap_ = std::max(1, std::min(cap_, openCount() - kDescriptorHeadroom));
    while (openCount() > cap_ && makeRoom()) {
    }
}

int frmMemoServer::openCount() const
{
    return int(std::count_if(connections_.begin(), connections_.end(), [](const auto& entry) {
        return entry.second.socket->state() != QAbstractSocket::UnconnectedState;
    }));
}

bool frmMemoServer::listening() const { return Listen->isListening(); }
quint16 frmMemoServer::listeningPort() const { return Listen->serverPort(); }

int frmMemoServer::nextIndex() const { return connections_.empty() ? 1 : connections_.rbegin()->first + 1; }

QTcpSocket* frmMemoServer::socketOf(int index) const
{
    const auto it = connections_.find(index);
    return it == connections_.end() ? nullptr : it->second.socket;
}

bool frmMemoServer::makeRoom()
{
    // The oldest request still being collected makes room for the newcomer,
    // so idle connections cannot lock visitors out.
    auto oldest = connections_.end();
    for (auto it = connections_.begin(); it != connections_.end(); ++it) {
        if (it->second.stage == Stage::Collecting
            && (oldest == connections_.end() || it->second.lastActivity < oldest->second.lastActivity))
            oldest = it;
    }
    if (oldest == connections_.end())
        return false;
    oldest->second.stage = Stage::Closing;
    oldest->second.socket->abort();
    return true;
}

void frmMemoServer::Listen_ConnectionRequest()
{
    while (QTcpSocket* socket = Listen->nextPendingConnection()) {
        if (openCount() >= cap_ && !makeRoom()) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        const int n = nextIndex();
        Connection& c = connections_[n];
        c.socket = socket;
        c.acceptedAt = c.lastActivity = clock_.elapsed();
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, n] { Connections_DataArrival(n); });
        connect(socket, &QTcpSocket::disconnected, this, [this, n, socket] { Connections_Close(n, socket); },
                Qt::QueuedConnection);
        connect(socket, &QTcpSocket::errorOccurred, this,
                [this, n](QAbstractSocket::SocketError error) { Connections_Error(n, int(error)); });
        addTranscript(QStringLiteral("Connection %1\r\n").arg(n));
    }
    keepDescriptorsFree();
}

void frmMemoServer::Connections_DataArrival(int index)
{
    const auto it = connections_.find(index);
    if (it == connections_.end())
        return;
    Connection& c = it->second;
    if (c.stage != Stage::Collecting) {
        // Nothing more is read from a request already answered.
        c.socket->readAll();
        return;
    }
    const qsizetype cap = memoLimits().maxRequestBytes;
    c.request += c.socket->read(cap + 1 - c.request.size());
    c.lastActivity = clock_.elapsed();
    if (c.request.size() > cap) {
        DebugLog(QStringLiteral("[Memo-Server] Request on connection %1 exceeds %2 bytes; closed").arg(index).arg(cap));
        c.request.clear();
        c.stage = Stage::Closing;
        c.closedAt = clock_.elapsed();
        c.socket->abort();
        return;
    }
    addTranscript(QString::fromLatin1(c.request.left(1000)));
    dispatch(index, c);
}

void frmMemoServer::dispatch(int index, Connection& c)
{
    const RequestScanner::Verdict verdict = c.scanner.update(c.request);
    if (verdict == RequestScanner::Verdict::Collecting)
        return;
    c.stage = Stage::Dispatched;
    if (verdict == RequestScanner::Verdict::NotFound) {
        SendNotFound(index);
        CloseSocket(index);
        return;
    }
    const QByteArray request = c.request;
    c.request.clear();
    if (const auto line = BrowserLine(request))
        DebugLog(QStringLiteral("[Memo-Server] ") + QString::fromLatin1(*line));
    if (!admitVisitor(index)) {
        SendBusy(index, request);
        CloseSocket(index);
    } else if (!Busy) {
        Busy = true;
        ServedIndex = index;
        ++servedSerial_;
        HandlePacket(request, index);
    } else {
        SendBusy(index, request);
        CloseSocket(index);
    }
}

void frmMemoServer::endMemo() { Busy = false; }

bool frmMemoServer::admitVisitor(int index)
{
    // Only memos that will be handled count against the visitor: a memo
    // turned away as busy is neither logged nor shown.
    const QTcpSocket* socket = socketOf(index);
    if (Busy || !socket)
        return true;
    if (rate_.admit(socket->peerAddress(), clock_.elapsed(), memoLimits().memosPerVisitorPerMinute))
        return true;
    DebugLog(QStringLiteral("[Memo-Server] Too many memos from ") + socket->peerAddress().toString());
    return false;
}

void frmMemoServer::HandlePacket(const QByteArray& request, int index)
{
    MemoGlobals& g = Memo().globals;
    frmMemoSetup& setup = Memo().setup();
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
        // A memo that cannot be logged is still shown and answered.
        if (!AppendMemoLog(MemoLogRecord(platform::clock().now(), g.MemoWebSite, g.MemoSender, g.MemoText)))
            logVisitorError(err::kPermissionDenied, kHandlePacket);
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
    window.present(Memo().setup().timeoutText());
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
    frmMemoSetup& setup = Memo().setup();
    SendText(index, pages::responseHead());
    if (setup.pageEnabled(PageAway)) {
        const QByteArray custom = ReadHTML(setup.pageFile(PageAway));
        if (!custom.isEmpty()) {
            SendText(index, custom + "\r\n");
            CloseSocket(index);
            return;
        }
    }
    for (const QByteArray& piece : pages::awayPieces(setup.pageSettings(), Memo().globals.MemoSender))
        SendText(index, piece);
    CloseSocket(index);
}

void frmMemoServer::SendBusy(int index, const QByteArray& request)
{
    // Also sent while no memo is handled (a visitor over its allowance), so
    // it does not go through SendText.
    QTcpSocket* socket = socketOf(index);
    if (!socket || socket->state() != QAbstractSocket::ConnectedState)
        return;
    frmMemoSetup& setup = Memo().setup();
    if (setup.pageEnabled(PageBusy))
        return writeNow(socket, pages::responseHead() + ReadHTML(setup.pageFile(PageBusy)));
    const BusyFields fields = ExtractBusyFields(request);
    writeNow(socket, pages::busyPage(setup.pageSettings(), fields.name, fields.message));
}

void frmMemoServer::SendNotFound(int index)
{
    // The one page that goes out whether or not a memo is being handled.
    if (QTcpSocket* socket = socketOf(index); socket && socket->state() == QAbstractSocket::ConnectedState)
        writeNow(socket, pages::notFoundPage(Memo().setup().pageSettings()));
}

void frmMemoServer::SendText(int index, const QByteArray& text)
{
    if (!Busy)
        return;
    QTcpSocket* socket = socketOf(index);
    if (socket && socket->state() == QAbstractSocket::ConnectedState)
        writeNow(socket, text);
    else if (index == ServedIndex)
        Busy = false;
}

void frmMemoServer::CloseSocket(int index)
{
    const auto it = connections_.find(index);
    if (it == connections_.end()) {
        Busy = false;
        return;
    }
    Connection& c = it->second;
    if (c.socket->state() == QAbstractSocket::UnconnectedState || c.stage == Stage::Closing)
        return;
    if (index == ServedIndex)
        Busy = false;
    c.stage = Stage::Closing;
    c.closedAt = clock_.elapsed();
    c.socket->disconnectFromHost();
}

void frmMemoServer::sendFor(quint64 serial, QTcpSocket* socket, const QByteArray& text)
{
    if (!Busy || serial != servedSerial_)
        return;
    if (socket && socket->state() == QAbstractSocket::ConnectedState)
        writeNow(socket, text);
    else
        Busy = false;
}

void frmMemoServer::closeFor(quint64 serial, QTcpSocket* socket)
{
    if (!socket)
        return;
    for (auto& [index, c] : connections_) {
        if (c.socket == socket) {
            if (serial == servedSerial_ && index == ServedIndex)
                CloseSocket(index);
            else if (c.stage != Stage::Closing) {
                c.stage = Stage::Closing;
                c.closedAt = clock_.elapsed();
                socket->disconnectFromHost();
            }
            return;
        }
    }
}

void frmMemoServer::Connections_Close(int index, QTcpSocket* socket)
{
    const auto it = connections_.find(index);
    if (it == connections_.end() || it->second.socket != socket)
        return;
    const bool servedWaiting = Busy && index == ServedIndex && session_ && session_->waiting()
                               && it->second.stage != Stage::Closing;
    connections_.erase(it);
    // Called from the event loop, not from inside the socket's own signal.
    delete socket;
    addTranscript(QStringLiteral("Disconnected %1\r\n").arg(index));
    if (servedWaiting) {
        // The visitor left during the wait: the count-down stops and the
        // next visitor is served instead of refused.
        Busy = false;
        RemoteClosed = true;
        if (frmMemo* window = Memo().memoWindow())
            window->showRemoteClosed();
    }
}

void frmMemoServer::Connections_Error(int index, int error)
{
    // A visitor closing or resetting its side is the close event's business.
    if (error == QAbstractSocket::RemoteHostClosedError)
        return;
    AlertBeep();
    DebugLog(QStringLiteral("[Memo-Server] Error: ") + QString::number(error) + QStringLiteral(" on connection ")
             + QString::number(index));
}

void frmMemoServer::sweep()
{
    const qint64 now = clock_.elapsed();
    const MemoLimits& limits = memoLimits();
    for (auto& [index, c] : connections_) {
        if (c.stage == Stage::Collecting
            && (now - c.lastActivity > limits.idleTimeoutMs || now - c.acceptedAt > limits.requestDeadlineMs)) {
            c.stage = Stage::Closing;
            c.closedAt = now;
            c.socket->abort();
        } else if (c.stage == Stage::Closing && now - c.closedAt > limits.closeLingerMs) {
            c.socket->abort();
        }
    }
    rate_.prune(now);
    keepDescriptorsFree();
}

QByteArray frmMemoServer::ReadHTML(const QString& fileName) { return ReadMemoPage(fileName, SenderName); }

QString frmMemoServer::transcript() const { return transcript_->text(); }

void frmMemoServer::addTranscript(const QString& text)
{
    if (Core().DebugToFile)
        transcript_->add(text);
}
