#pragma once

#include "memo/RequestScanner.h"
#include "memo/VisitorRate.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>

#include <map>

class QPlainTextEdit;
class QTcpServer;
class QTcpSocket;
class QTimer;
class ReplySession;
class Transcript;
struct CustomPage;

// The hidden window "Memo Server" that owns the memo server's sockets:
// creating it starts the server, destroying it stops it. One memo is
// handled at a time; every other complete memo meanwhile gets the busy page.
class frmMemoServer : public QWidget {
    Q_OBJECT

public:
    frmMemoServer();
    ~frmMemoServer() override;

    QTcpServer* Listen = nullptr;
    QPlainTextEdit* Text1 = nullptr;

    bool Busy = false;
    int ServedIndex = 0;
    bool RemoteClosed = false;
    QByteArray SenderName;
    int MemoCount = 0;

    bool listening() const;
    quint16 listeningPort() const;
    // Open visitor connections, and the index the next one would get.
    int connectionCount() const { return int(connections_.size()); }
    int nextIndex() const;
    // The most connections held open, below the process's descriptor limit.
    int connectionCap() const { return cap_; }
    QString transcript() const;

    // Sends text on connection index while a memo is being handled.
    void SendText(int index, const QByteArray& text);
    // Closes connection index (the rest of its page still goes out).
    void CloseSocket(int index);

    // The reply wait's access to its own visitor: dropped once the memo no
    // longer holds Busy (the visitor vanished, or a newer memo took over).
    void sendFor(quint64 serial, QTcpSocket* socket, const QByteArray& text);
    void closeFor(quint64 serial, QTcpSocket* socket);
    void sessionFinished(ReplySession* session);
    QTcpSocket* socketOf(int index) const;

    // A custom page of the memo settings with the variables replaced;
    // reading errors are logged.
    QByteArray ReadHTML(const QString& fileName);

private:
    enum class Stage { Collecting, Dispatched, Closing };
    struct Connection {
        QTcpSocket* socket = nullptr;
        QByteArray request;
        RequestScanner scanner;
        Stage stage = Stage::Collecting;
        qint64 acceptedAt = 0;
        qint64 lastActivity = 0;
        qint64 closedAt = 0;
    };

    void Form_Load();
    void Listen_ConnectionRequest();
    void Connections_DataArrival(int index);
    void Connections_Close(int index, QTcpSocket* socket);
    void Connections_Error(int index, int error);
    void dispatch(int index, Connection& c);
    void HandlePacket(const QByteArray& request, int index);
    void presentMemo();
    void SendHTML(int index);
    void SendAway(int index);
    void SendBusy(int index, const QByteArray& request);
    bool admitVisitor(int index);
    void acceptFailed(QAbstractSocket::SocketError error);
    void keepDescriptorsFree();
    void SendNotFound(int index);
    void abandonSession();
    bool makeRoom();
    int openCount() const;
    void sweep();
    void addTranscript(const QString& text);
    void endMemo();

    std::map<int, Connection> connections_;
    QElapsedTimer clock_;
    QTimer* sweep_ = nullptr;
    QPointer<ReplySession> session_;
    quint64 servedSerial_ = 0;
    Transcript* transcript_ = nullptr;
    VisitorRate rate_;
    long descriptorLimit_ = 0;
    int cap_ = 0;
    bool resumePending_ = false;
};
