#pragma once

// What the memo tests share: a fresh program directory, every platform
// service replaced, short limits, a captured debug log, loopback visitors
// that wait while the event loop keeps the server running, and the Qt
// headers of the widgets and sockets the tests drive.
#include "core/CoreState.h"
#include "core/Ini.h"
#include "core/Logs.h"
#include "memo/MemoLimits.h"
#include "memo/MemoProgram.h"
#include "memo/frmMemo.h"
#include "memo/frmMemoServer.h"
#include "memo/frmMemoSetup.h"
#include "support/PlatformDoubles.h"
#include "support/TempHome.h"

#include <QtNetwork>
#include <QtWidgets>
#include <gtest/gtest.h>

class CapturedDebugLog final : public DebugWindowSink {
public:
    bool displayDisabled() const override { return false; }
    void appendText(const QString& text) override { lines.append(text); }
    bool contains(const QString& part) const { return !lines.filter(part).isEmpty(); }
    QStringList lines;
};

// Runs the event loop until done() or the time is up; true when done.
inline bool pumpUntil(const std::function<bool()>& done, int timeoutMs = 5000)
{
    for (const QDeadlineTimer deadline(timeoutMs); !done(); QThread::msleep(1))
        if (deadline.hasExpired())
            return false;
        else
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return true;
}

inline void pumpFor(int ms) { pumpUntil([] { return false; }, ms); }
inline quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// A visitor on loopback.
struct Visitor {
    explicit Visitor(quint16 port)
    {
        QObject::connect(&socket, &QTcpSocket::readyRead, [this] { received += socket.readAll(); });
        QObject::connect(&socket, &QTcpSocket::disconnected, [this] { received += socket.readAll(), closed = true; });
        socket.connectToHost(QHostAddress::LocalHost, port);
        pumpUntil([this] { return socket.state() == QAbstractSocket::ConnectedState || closed; });
    }
    void send(const QByteArray& bytes) { socket.write(bytes), socket.flush(); }
    bool waitClosed(int ms = 5000) { return pumpUntil([this] { return closed; }, ms); }
    bool waitFor(const QByteArray& part, int ms = 5000) { return pumpUntil([&] { return received.contains(part); }, ms); }

    QTcpSocket socket;
    QByteArray received;
    bool closed = false;
};

inline QByteArray memoPost(const QByteArray& body, const QByteArray& extraHeaders = "")
{
    return "POST /memo/ HTTP/1.1\r\nHost: 127.0.0.1\r\nUser-Agent: MemoTest/1.0\r\n" + extraHeaders
           + "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: "
           + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

class MemoTest : public ::testing::Test {
protected:
    MemoTest()
    {
        // Short limits; every test's visitor is 127.0.0.1, so the per-visitor limit is raised.
        memoLimits() = {.idleTimeoutMs = 2000, .requestDeadlineMs = 10000, .closeLingerMs = 2000, .replyTickMs = 50,
                        .memosPerVisitorPerMinute = 1000};
        SetDebugWindowSink(&log);
        Core().LocalIP = "127.0.0.1", Core().LocalHostName = "testhost", Core().DebugToFile = false;
    }
    ~MemoTest() override { Memo().reset(), SetDebugWindowSink(nullptr), memoLimits() = MemoLimits(); }

    frmMemoSetup& setup() { return Memo().setup(); }

    // Settings for a running server on a free loopback port.
    quint16 startServer(const QString& timeout = "30")
    {
        port = freePort();
        for (const auto& [key, value] : {std::pair<QString, QString>{"MemoServer Port", QString::number(port)},
                                         {"Reply Timeout", timeout}, {"Rows", "5"}, {"Columns", "75"},
                                         {"Enabled", "True"}})
            WriteIni("Memo", key, value);
        setup().LoadMemoServerSettings();
        return port;
    }

    frmMemoServer* server() { return Memo().server(); }
    QByteArray host() const { return "127.0.0.1:" + QByteArray::number(port); }
    QByteArray memoLog() const { return home.readFile("Memo.txt"); }
    int memosLogged() const { return int(memoLog().count("----------\r\n")); }
    QByteArray errorLog() const { return home.readFile("error.log"); }

    // One visitor sends a whole request; what came back once the server closed.
    QByteArray exchange(const QByteArray& request, int ms = 5000)
    {
        Visitor v(port);
        v.send(request);
        EXPECT_TRUE(v.waitClosed(ms)) << request.left(200).constData();
        return v.received;
    }

    // A memo that waits for the reply: back once the page's opening arrived.
    std::unique_ptr<Visitor> postMemo(const QByteArray& body = "NAME=Ann&MESSAGE=Hi&REPLY=YES")
    {
        auto v = std::make_unique<Visitor>(port);
        v->send(memoPost(body));
        EXPECT_TRUE(v->waitFor(QByteArray(500, ' ') + "\r\n")) << v->received.constData();
        EXPECT_TRUE(server()->Busy);
        return v;
    }

    // Switches custom page `index` on with a file holding `content`.
    void customPage(int index, const QString& name, const QByteArray& content)
    {
        home.writeFile(name, content);
        setup().chkhtml[size_t(index)]->setChecked(true);
        setup().txtHtml[size_t(index)]->setText(name);
    }

    TempHome home;
    PlatformDoubles doubles;
    CapturedDebugLog log;
    quint16 port = 0;
};

// The server runs on a free loopback port from the start.
class ServedMemoTest : public MemoTest {
protected:
    void SetUp() override { ASSERT_TRUE(startServer() > 0); }
};
