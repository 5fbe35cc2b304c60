#pragma once

#include "memo/MemoPages.h"
#include "memo/ReplyChannel.h"
#include "memo/VisitorRate.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

class MemoHttps;
class MemoTransport;
class ReplySession;
class Transcript;

// The memo server: an invisible object that owns the memo port's sockets.
// Creating it starts the server, destroying it stops it. One memo is handled
// at a time; every other complete memo meanwhile gets the busy page.
class frmMemoServer : public QObject, public ReplyChannel {
    Q_OBJECT

  public:
    frmMemoServer();
    ~frmMemoServer() override;

    // Written only while DebugToFile is on; no view of its own.
    Transcript* Text1 = nullptr;

    bool Busy = false;
    int ServedIndex = 0;
    bool RemoteClosed = false;
    QByteArray SenderName;
    int MemoCount = 0;

    bool listening() const;
    // Why the server does not listen, for the user; empty while it listens.
    QString listenProblem() const { return listenProblem_; }
    quint16 listeningPort() const;
    // Open visitor connections, and the index the next one would get.
    int connectionCount() const;
    int nextIndex() const;
    // The most connections held open, below the process's descriptor limit.
    int connectionCap() const;
    QString transcript() const;
    MemoHttps* https() const { return https_; }

    // Sends text on connection index while a memo is being handled.
    void SendText(int index, const QByteArray& text);
    // Closes connection index (the rest of its page still goes out).
    void CloseSocket(int index);

    // The reply wait's access to its own visitor, named by index and
    // connection id: dropped once the memo no longer holds Busy (the visitor
    // vanished, or a newer memo took over).
    quint64 connectionIdOf(int index) const override;
    void sendFor(quint64 serial, int index, quint64 connection, const QByteArray& text) override;
    void closeFor(quint64 serial, int index, quint64 connection) override;
    void sessionFinished(ReplySession* session) override;
    bool remoteClosed() const override { return RemoteClosed; }
    void clearRemoteClosed() override { RemoteClosed = false; }
    QByteArray senderName() const override { return SenderName; }
    QObject* owner() override { return this; }

    // A custom page of the memo settings with the variables replaced;
    // reading errors are logged.
    QByteArray ReadHTML(const QString& fileName) override;

  private:
    void Form_Load();
    void lookUpAddressForPages();
    void Listen_ConnectionRequest(int index);
    void Connections_DataArrival(int index, const QByteArray& request);
    void Connections_Close(int index, bool byVisitor);
    void Connections_Error(int index, int error);
    void requestComplete(int index, bool memo, const QByteArray& request);
    bool answeredBeforeMemoRules(int index, const QByteArray& request);
    void dispatch(int index, const QByteArray& request);
    void HandlePacket(const QByteArray& request, int index);
    void presentMemo();
    void SendHTML(int index);
    void SendAway(int index);
    void SendBusy(int index, const QByteArray& request);
    void SendNotFound(int index);
    bool admitVisitor(int index);
    void abandonSession();
    void addTranscript(const QString& text);
    void endMemo();

    MemoTransport* transport_ = nullptr;
    MemoHttps* https_ = nullptr;
    QPointer<ReplySession> session_;
    quint64 servedSerial_ = 0;
    VisitorRate rate_;
    // Built once per settings, as the page does not depend on the request.
    PageSettings notFoundFor_;
    QByteArray notFoundPage_;
    QString listenProblem_;
};
