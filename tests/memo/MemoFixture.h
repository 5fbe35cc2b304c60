#pragma once

// What the memo tests share: a fresh program directory, every platform
// service replaced, short limits, a captured debug log, loopback visitors
// that wait while the event loop keeps the server running, and the Qt
// headers of the widgets and sockets the tests drive.
#include "core/CoreState.h"
#include "core/Ini.h"
#include "core/Logs.h"
#include "core/ProgramError.h"
#include "memo/MemoLimits.h"
#include "memo/MemoPages.h"
#include "memo/MemoProgram.h"
#include "memo/frmMemo.h"
#include "memo/frmMemoServer.h"
#include "memo/frmMemoSetup.h"
#include "support/PlatformDoubles.h"
#include "support/ServerProcess.h"
#include "support/TempHome.h"

#include <QtNetwork>
#include <QtWidgets>
#include <gtest/gtest.h>

class CapturedDebugLog final : public DebugWindowSink {
  public:
    bool displayDisabled() const override { return false; }
    void appendText(const QString& text) override { lines.append(text); }
    bool contains(const QString& part) const { return !lines.filter(part).isEmpty(); }
    std::string text() const { return lines.join("\n").toStdString(); }
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

inline void pumpFor(int ms)
{
    pumpUntil([] { return false; }, ms);
}
inline quint16 freePort()
{
    return quint16(FreeLoopbackPort());
}

// What every test visitor does with its socket: collects what arrives and
// notices the close.
template <class Socket> struct VisitorOn {
    VisitorOn()
    {
        QObject::connect(&socket, &Socket::readyRead, [this] { received += socket.readAll(); });
        QObject::connect(&socket, &Socket::disconnected,
                         [this] { received += socket.readAll(), closed = true; });
    }
    void send(const QByteArray& bytes)
    {
        socket.write(bytes);
        socket.flush();
    }
    bool waitClosed(int ms = 5000)
    {
        return pumpUntil([this] { return closed; }, ms);
    }
    bool waitFor(const QByteArray& part, int ms = 5000)
    {
        return pumpUntil([&] { return received.contains(part); }, ms);
    }

    Socket socket;
    QByteArray received;
    bool closed = false;
};

// A visitor on loopback.
struct Visitor : VisitorOn<QTcpSocket> {
    explicit Visitor(quint16 port)
    {
        socket.connectToHost(QHostAddress::LocalHost, port);
        pumpUntil([this] { return socket.state() == QAbstractSocket::ConnectedState || closed; });
    }
};

inline QByteArray memoPost(const QByteArray& body, const QByteArray& extraHeaders = "")
{
    return "POST /memo/ HTTP/1.1\r\nHost: 127.0.0.1\r\nUser-Agent: MemoTest/1.0\r\n" + extraHeaders +
           "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
           QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

class MemoTest : public ::testing::Test {
  protected:
    MemoTest()
    {
        // Short limits; every test's visitor is 127.0.0.1, so the per-visitor limit is raised.
        memoLimits() = {.idleTimeoutMs = 2000,
                        .requestDeadlineMs = 10000,
                        .closeLingerMs = 2000,
                        .replyTickMs = 50,
                        .memosPerVisitorPerMinute = 1000};
        SetDebugWindowSink(&log);
        Core().LocalIP = "127.0.0.1", Core().LocalHostName = "testhost", Core().DebugToFile = false;
    }
    ~MemoTest() override
    {
        Memo().reset();
        SetDebugWindowSink(nullptr);
        memoLimits() = MemoLimits();
    }

    frmMemoSetup& setup() { return Memo().setup(); }

    // Settings for a running server on a free loopback port.
    quint16 startServer(const QString& timeout = "30")
    {
        port = freePort();
        WriteIni("Memo", "MemoServer Port", QString::number(port));
        WriteIni("Memo", "Reply Timeout", timeout);
        WriteIni("Memo", "Rows", "5");
        WriteIni("Memo", "Columns", "75");
        WriteIni("Memo", "Enabled", "True");
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

    // The proof that the server still answers: a complete memo is handled.
    void expectNextVisitorServed(const QByteArray& name = "Next")
    {
        const QByteArray received = exchange(memoPost("NAME=" + name + "&MESSAGE=still+there&REPLY=NO"));
        EXPECT_TRUE(received.contains("Message Received")) << received.left(300).constData();
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

// The memo pages' bytes, written out by hand from the page tables, so that
// tests compare whole pages at once. `host` is "address:port" of the form.
// The settings these pages were written for: the form goes to 10.1.2.3:4175.
inline PageSettings pageSettings()
{
    return {"10.1.2.3", "4175", "5", "75", "30", "#FFFFFF", "#000000", false, false};
}

const QByteArray kHead = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n";
const QByteArray kBody = "<BODY BGCOLOR=\"#FFFFFF\" TEXT=\"#000000\">";
const QByteArray kSubmitNo =
    "<INPUT type=submit value=\"Send\">  Wait For Reply <select name=\"REPLY\" size=\"1\">"
    "<option>YES</option><option selected>NO</option></select></FORM></P>";
const QByteArray kSubmitYes =
    "<INPUT type=submit value=\"Send\">  Wait For Reply <select name=\"REPLY\" size=\"1\">"
    "<option selected>YES</option><option>NO</option></select></FORM></P>";
const QByteArray kNoReplyBlock =
    "<p align=center>&nbsp;</p>\r\n<p align=center>&nbsp;</p>\r\n<p align=center>&nbsp;</p>\r\n"
    "<p align=center><font size=5><strong>Message Received</strong></font></p>\r\n</body>\r\n</html>\r\n";

// The submit line of custom pages: a no-break space before "Wait".
inline QByteArray withNbsp(QByteArray submit)
{
    return submit.replace("\">  Wait", "\"> \xA0Wait");
}

inline QByteArray opening(const QByteArray& timeout = "30")
{
    return "<HTML>\r\n<HEAD>\r\n<TITLE>MEMO SENT</TITLE>\r\n</HEAD>\r\n" + kBody +
           "\r\n<H1>Waiting for a reply.</H1><P>Waiting a maximum of " + timeout +
           " seconds.<hr size=\"1\"></P>\r\n" + QByteArray(500, ' ') + "\r\n";
}

// The memo form; `value` is the prefill exactly as written after VALUE=.
inline QByteArray form(const QByteArray& host, const QByteArray& value, const QByteArray& message = "",
                       const QByteArray& wrap = "", const QByteArray& submit = kSubmitNo)
{
    return "<P><FORM action=\"http://" + host +
           "/memo/\" method=\"POST\">From: <INPUT TYPE=\"text\" NAME=\"NAME\" VALUE=" + value +
           " MAXLENGTH=40><BR>\r\n<TEXTAREA ROWS=5 COLS=75 " + wrap + " NAME=\"MESSAGE\">" + message +
           "</TEXTAREA><BR>\r\n" + submit + "\r\n";
}

inline QByteArray replyBlock(const QByteArray& host, const QByteArray& reply, const QByteArray& name,
                             const QByteArray& wrap = "", const QByteArray& submit = kSubmitNo)
{
    return "<FONT SIZE=+1>\r\n<P>Reply: </P>" + reply + "\r\n</FONT>\r\n<hr size=\"1\">\r\n</FONT>\r\n" +
           form(host, "\"" + name + "\"", "", wrap, submit);
}

inline QByteArray errorPage(const QByteArray& number, const QByteArray& text, const QByteArray& form)
{
    return kHead + "<HTML>\r\n<HEAD>\r\n<TITLE>Error</TITLE>\r\n</HEAD>\r\n" + kBody +
           "\r\n<p align=\"left\"><font color=\"#FF0000\"><strong>Error: " + number +
           "</strong></font></p><p align=\"center\"><strong>" + text + "</strong></p>" + form + "</body>\r\n";
}

inline QByteArray busyPage(const QByteArray& host, const QByteArray& value, const QByteArray& message)
{
    return errorPage("5", "MemoSever in use, Please Try again soon.", form(host, value, message)) +
           "</HTML>" + QByteArray(20, ' ') + "\r\n";
}

inline QByteArray awayPage(const QByteArray& name)
{
    return "<html>\r\n<head>\r\n<meta http-equiv=\"Content-Type\"\r\ncontent=\"text/html; "
           "charset=iso-8859-1\">\r\n"
           "<title>Memo Received</title>\r\n</head>\r\n" +
           kBody + "<p>Hello, " + name +
           "</p>\r\n<p>I am currently in away mode. </p>\r\n"
           "<p>Your memo has been logged and I will read it when I get a chance.</p>\r\n"
           "<p>&nbsp;</p>\r\n</body>\r\n</html>\r\n";
}

// The form that custom pages get for %memo%.
inline QByteArray followUpForm(const QByteArray& host, const QByteArray& name)
{
    return "<P><FORM action=\"http://" + host +
           "/memo/\" method=\"POST\"> <input type=\"hidden\" name=\"Site\" value=\"Reply\"> From: <INPUT "
           "TYPE=\"text\" NAME=\"NAME\" VALUE= \"" +
           name +
           "\" MAXLENGTH=40><BR>\r\n<TEXTAREA MAXLENGTH=256 ROWS=5 COLS=75  "
           "NAME=\"MESSAGE\"></TEXTAREA><BR>\r\n" +
           withNbsp(kSubmitNo) + "\r\n";
}
