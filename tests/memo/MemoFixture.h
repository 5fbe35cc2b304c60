#pragma once

// What the memo tests share: a fresh program directory, every platform
// service replaced, short limits, a captured debug log, and loopback
// clients that wait while the event loop keeps the server running. It
// brings the windows' widget headers along for the tests that drive them.
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

#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

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
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
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
class Visitor {
public:
    explicit Visitor(quint16 port)
    {
        QObject::connect(&socket, &QTcpSocket::readyRead, [this] { received += socket.readAll(); });
        QObject::connect(&socket, &QTcpSocket::disconnected, [this] {
            received += socket.readAll();
            closed = true;
        });
        socket.connectToHost(QHostAddress::LocalHost, port);
        connected = pumpUntil([this] { return socket.state() == QAbstractSocket::ConnectedState || closed; });
    }
    void send(const QByteArray& bytes)
    {
        socket.write(bytes);
        socket.flush();
    }
    bool waitClosed(int ms = 5000) { return pumpUntil([this] { return closed; }, ms); }
    bool waitFor(const QByteArray& part, int ms = 5000)
    {
        return pumpUntil([this, &part] { return received.contains(part); }, ms);
    }

    QTcpSocket socket;
    QByteArray received;
    bool closed = false;
    bool connected = false;
};

inline QByteArray memoPost(const QByteArray& body)
{
    return "POST /memo/ HTTP/1.1\r\nHost: 127.0.0.1\r\nUser-Agent: MemoTest/1.0\r\n"
           "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: "
           + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

class MemoTest : public ::testing::Test {
protected:
    MemoTest()
    {
        saved_ = memoLimits();
        memoLimits().replyTickMs = 50;
        memoLimits().idleTimeoutMs = 2000;
        memoLimits().requestDeadlineMs = 10000;
        memoLimits().closeLingerMs = 2000;
        memoLimits().memosPerVisitorPerMinute = 1000;  // every test's visitor is 127.0.0.1
        SetDebugWindowSink(&log);
        Core().LocalIP = QStringLiteral("127.0.0.1");
        Core().LocalHostName = QStringLiteral("testhost");
        Core().DebugToFile = false;
    }
    ~MemoTest() override
    {
        Memo().reset();
        SetDebugWindowSink(nullptr);
        memoLimits() = saved_;
    }

    frmMemoSetup& setup() { return Memo().setup(); }

    // Settings for a running server on a free loopback port.
    quint16 startServer(const QString& timeout = QStringLiteral("30"))
    {
        port = freePort();
        const std::pair<const char*, QString> keys[] = {{"MemoServer Port", QString::number(port)},
                                                        {"Reply Timeout", timeout},
                                                        {"Rows", QStringLiteral("5")},
                                                        {"Columns", QStringLiteral("75")},
                                                        {"Enabled", QStringLiteral("True")}};
        for (const auto& [key, value] : keys)
            WriteIni(QStringLiteral("Memo"), QString::fromLatin1(key), value);
        setup().LoadMemoServerSettings();
        return port;
    }

    frmMemoServer* server() { return Memo().server(); }

    // One visitor sends a whole request; what came back once the server closed.
    QByteArray exchange(const QByteArray& request, int ms = 5000)
    {
        Visitor v(port);
        v.send(request);
        EXPECT_TRUE(v.waitClosed(ms)) << request.left(200).constData();
        return v.received;
    }

    // Switches custom page `index` on with a file holding `content`.
    void customPage(int index, const QString& name, const QByteArray& content)
    {
        home.writeFile(name, content);
        setup().chkhtml[size_t(index)]->setChecked(true);
        setup().txtHtml[size_t(index)]->setText(name);
    }

    QByteArray errorLog() const { return home.readFile(QStringLiteral("error.log")); }

    TempHome home;
    PlatformDoubles doubles;
    CapturedDebugLog log;
    quint16 port = 0;

private:
    MemoLimits saved_;
};
