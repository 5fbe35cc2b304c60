// Bad input the memo server must take without harm: none may crash, hang
// the window, lose a memo already received, or stop the next visitor from
// being served.
#include "MemoFixture.h"

#include "core/AppHooks.h"
#include "memo/MemoWiring.h"

#include <sys/socket.h>

namespace {

class ServerRobustness : public MemoTest {
protected:
    void SetUp() override { ASSERT_TRUE(startServer() > 0); }

    // The proof that the server still answers: a complete memo is handled.
    void expectNextVisitorServed(const QByteArray& name = "Next")
    {
        const QByteArray received = exchange(memoPost("NAME=" + name + "&MESSAGE=still+there&REPLY=NO"));
        EXPECT_TRUE(received.contains("Message Received")) << received.left(300).constData();
    }

    int memosLogged() const { return int(home.readFile(QStringLiteral("Memo.txt")).count("----------\r\n")); }

    std::unique_ptr<Visitor> waitingMemo(const QByteArray& body = "NAME=Ann&MESSAGE=Hi&REPLY=YES")
    {
        auto v = std::make_unique<Visitor>(port);
        v->send(memoPost(body));
        EXPECT_TRUE(v->waitFor(QByteArray(500, ' ') + "\r\n"));
        EXPECT_TRUE(server()->Busy);
        return v;
    }
};

TEST_F(ServerRobustness, RequestsSplitIntoSingleBytesFastOrSlow)
{
    const std::pair<QByteArray, int> cases[] = {{memoPost("Site=Home&NAME=Ann&MESSAGE=Hi&REPLY=NO"), 1},
                                                {"POST / HTTP/1.0\r\n\r\nNAME=s&MESSAGE=slow&REPLY=NO", 60}};
    for (const auto& [request, pauseMs] : cases) {
        Visitor v(port);
        for (qsizetype i = 0; i < request.size(); ++i) {
            v.send(request.mid(i, 1));
            pumpFor(pauseMs);
            if (i == 10 && pauseMs > 1)
                expectNextVisitorServed(); // the window keeps serving meanwhile
        }
        ASSERT_TRUE(v.waitClosed());
        EXPECT_TRUE(v.received.endsWith("Message Received</strong></font></p>\r\n</body>\r\n</html>\r\n"));
        EXPECT_TRUE(v.received.contains("Waiting a maximum of 30 seconds."));
    }
    EXPECT_EQ(memosLogged(), 3);
}

TEST_F(ServerRobustness, TenMegabyteBodyIsCutOffAndLogged)
{
    Visitor v(port);
    v.send("POST /memo/ HTTP/1.0\r\nContent-Length: 10485760\r\n\r\nNAME=x&MESSAGE=");
    const QByteArray chunk(64 * 1024, 'A');
    for (int i = 0; i < 160 && !v.closed; ++i) {
        v.send(chunk);
        pumpFor(2);
    }
    ASSERT_TRUE(v.waitClosed());
    EXPECT_TRUE(log.contains(QStringLiteral("exceeds 65536 bytes; closed")));
    EXPECT_EQ(memosLogged(), 0);
    expectNextVisitorServed();
}

TEST_F(ServerRobustness, TricklingAndIdleRequestsAreCut)
{
    memoLimits().requestDeadlineMs = 800;
    Visitor slow(port);
    for (int i = 0; i < 40 && !slow.closed; ++i) {
        slow.send("x");
        pumpFor(50);
    }
    EXPECT_TRUE(slow.closed);
    memoLimits().idleTimeoutMs = 300;
    Visitor silent(port);
    ASSERT_TRUE(silent.waitClosed(3000));
    EXPECT_EQ(silent.received, "");
    expectNextVisitorServed();
}

TEST_F(ServerRobustness, OneVisitorCannotFillTheDiskOrOwnTheScreen)
{
    memoLimits().memosPerVisitorPerMinute = MemoLimits().memosPerVisitorPerMinute;
    setup().chkMemoNotice->setChecked(true);
    // 40 KiB per memo arrive; the form allows 40 and 256 characters.
    const QByteArray huge = "NAME=x" + QByteArray("%C3%A9").repeated(2000) + "&MESSAGE=" + QByteArray(30000, 'M');
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(exchange(memoPost(huge + "&REPLY=NO")).contains("Message Received")) << i;
    // The sender is cut before a character, not inside one.
    EXPECT_EQ(Memo().globals.MemoSender, "x" + QByteArray("\xC3\xA9").repeated(255));
    EXPECT_EQ(Memo().globals.MemoText, QByteArray(4096, 'M'));
    Memo().destroyMemoWindow();
    EXPECT_TRUE(exchange(memoPost("NAME=Eleventh&MESSAGE=x&REPLY=YES")).contains("MemoSever in use"));
    EXPECT_EQ(Memo().memoWindow(), nullptr);
    const QByteArray logged = home.readFile(QStringLiteral("Memo.txt"));
    EXPECT_EQ(memosLogged(), 10);
    EXPECT_FALSE(logged.contains("Eleventh"));
    EXPECT_LT(logged.size(), 10 * 5000);
}

TEST_F(ServerRobustness, BinaryGarbageAndNulBytes)
{
    QByteArray junk;
    for (int i = 0; i < 4096; ++i)
        junk.append(char((i * 7919) & 0xFF));
    EXPECT_TRUE(exchange(junk).contains("Requested URL not found on Server."));

    EXPECT_TRUE(exchange(memoPost(QByteArray("NAME=a\0b&MESSAGE=x%00y\0&REPLY=NO", 32))).contains("Message Received"));
    EXPECT_TRUE(home.readFile(QStringLiteral("Memo.txt")).contains(QByteArray("Name: a\0b\r\nMessage: x\0y\0\r\n", 26)));
    expectNextVisitorServed();
}

TEST_F(ServerRobustness, RejectedRequestsAreClosedWithoutABoxOthersServed)
{
    EXPECT_TRUE(exchange(memoPost("site=x&name=low&message=case&reply=no")).contains("Message Received"));
    const struct {
        const char* body;
        const char* error; // the error.log entry it adds
    } rejected[] = {
        {"NAME=Ann&MESSAGE=100%&REPLY=YES", "65001 in Memo - HandlePacket"},
        {"NAME=%G1&MESSAGE=x&REPLY=YES", "65001 in Memo - HandlePacket"},
        {"NAME=A&MESSAGE=%%&REPLY=NO", "65001 in Memo - HandlePacket"},
        {"NAME=Ann&Site=Home&MESSAGE=x&REPLY=NO", "5 in Memo - HandlePacket"},
        {"MESSAGE=x&REPLY=NO", nullptr},
        {"MESSAGE=x&REPLY=NO&NAME=Late", nullptr},
    };
    for (const auto& r : rejected) {
        SCOPED_TRACE(r.body);
        const qsizetype before = r.error ? errorLog().count(r.error) : 0;
        const QByteArray received = exchange(memoPost(r.body));
        if (r.error) {
            EXPECT_EQ(received, "");
            EXPECT_EQ(errorLog().count(r.error), before + 1);
        }
        EXPECT_FALSE(server()->Busy);
    }
    EXPECT_TRUE(doubles.boxes.shown().empty());
    EXPECT_EQ(Memo().memoWindow(), nullptr);
    EXPECT_EQ(memosLogged(), 1);
    // A header line holding "name" before the body does not shift the fields.
    EXPECT_TRUE(exchange("POST /memo/ HTTP/1.1\r\nReferer: http://x/?name=me&site=a\r\nContent-Length: 28\r\n\r\n"
                         "NAME=Ann&MESSAGE=Hi&REPLY=NO", 1000)
                    .contains("Message Received"));
    EXPECT_TRUE(home.readFile(QStringLiteral("Memo.txt")).contains("WebSite: unknown\r\nName: Ann\r\nMessage: Hi\r\n"));
    EXPECT_FALSE(server()->Busy);
    expectNextVisitorServed();
}

TEST_F(ServerRobustness, VisitorClosingDuringTheWait)
{
    auto v = waitingMemo();
    v->socket.disconnectFromHost();
    frmMemo* w = Memo().memoWindow();
    ASSERT_TRUE(pumpUntil([w] { return w->Label2->text() == "Error: Connection Closed by Remote"; }));
    EXPECT_FALSE(w->txtTime->isVisible());
    EXPECT_FALSE(server()->Busy);
    const QString frozen = w->txtTime->text();
    pumpFor(200);
    EXPECT_EQ(w->txtTime->text(), frozen);
    EXPECT_EQ(server()->connectionCount(), 0);
    // The next visitor is served, not refused, and the memo already received stays logged.
    expectNextVisitorServed();
    EXPECT_EQ(memosLogged(), 2);
    // The user may still answer the memo that lost its visitor.
    w->cmd_Send->click();
    EXPECT_TRUE(pumpUntil([] { return Memo().memoWindow() == nullptr; }));
}

TEST_F(ServerRobustness, ResetDuringTheWait)
{
    auto v = waitingMemo();
    const linger hard{1, 0};
    ::setsockopt(int(v->socket.socketDescriptor()), SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    v->socket.abort();
    ASSERT_TRUE(pumpUntil([] {
        return Memo().memoWindow() && Memo().memoWindow()->Label2->text() == "Error: Connection Closed by Remote";
    }));
    EXPECT_FALSE(server()->Busy);
    // A new memo that waits takes the window over from the lost one.
    auto second = waitingMemo("NAME=Bob&MESSAGE=again&REPLY=YES");
    ASSERT_TRUE(pumpUntil([] { return Memo().memoWindow() != nullptr; }));
    EXPECT_EQ(Memo().memoWindow()->txtName->text(), "Bob");
    Memo().memoWindow()->txtReply->setPlainText(QStringLiteral("for Bob"));
    Memo().memoWindow()->cmd_Send->click();
    ASSERT_TRUE(second->waitClosed());
    EXPECT_TRUE(second->received.contains("<P>Reply: </P>for Bob\r\n"));
}

TEST_F(ServerRobustness, RestartAndExitDuringTheWaitAreSafe)
{
    auto v = waitingMemo();
    frmMemo* w = Memo().memoWindow();
    w->txtReply->setPlainText(QStringLiteral("half typed"));
    Memo().restartServer();
    ASSERT_TRUE(v->waitClosed());
    EXPECT_EQ(Memo().memoWindow(), nullptr);
    ASSERT_NE(server(), nullptr);
    EXPECT_TRUE(server()->listening());
    EXPECT_FALSE(server()->Busy);
    expectNextVisitorServed();

    auto again = waitingMemo();
    Hooks().closers.clear();
    InstallMemoHooks();
    Hooks().closers.value(QStringLiteral("frmMemoServer"))();
    Hooks().closers.value(QStringLiteral("frmMemo"))();
    ASSERT_TRUE(again->waitClosed());
    EXPECT_EQ(server(), nullptr);
    pumpFor(100);  // no tick of the stopped wait may run
}

TEST_F(ServerRobustness, PortInUseOrOutOfRangeIsLoggedWithoutABox)
{
    Memo().stopServer();
    QTcpServer holder;
    ASSERT_TRUE(holder.listen(QHostAddress::Any, port));
    Memo().startServer();
    ASSERT_NE(server(), nullptr);
    EXPECT_FALSE(server()->listening());
    EXPECT_TRUE(log.contains(QStringLiteral("[MemoServer] Error Port in use")));
    EXPECT_TRUE(doubles.boxes.shown().empty());
    EXPECT_EQ(doubles.sound.beeps, 1);
    holder.close();
    Memo().restartServer();
    EXPECT_TRUE(server()->listening());
    for (const char* text : {"70000", "0", "abc", "", "-5"}) {
        Memo().stopServer();
        WriteIni(QStringLiteral("Memo"), QStringLiteral("MemoServer Port"), QString::fromLatin1(text));
        Memo().startServer();
        ASSERT_NE(server(), nullptr);
        EXPECT_FALSE(server()->listening()) << text;
        EXPECT_EQ(setup().txtMemoPort->text(), QString::fromLatin1(text));
    }
    EXPECT_TRUE(log.contains(QStringLiteral("[MemoServer] Error: Port out of range")));
    EXPECT_TRUE(doubles.boxes.shown().empty());
}

TEST_F(ServerRobustness, ATimeoutTooLargeForTheCountdownClosesTheConnection)
{
    setup().Timeout->setText(QStringLiteral("40000"));
    EXPECT_TRUE(exchange(memoPost("NAME=Ann&MESSAGE=Hi&REPLY=YES")).contains("Waiting a maximum of 40000 seconds."));
    EXPECT_TRUE(errorLog().contains("6 in SendHTML"));
    EXPECT_FALSE(server()->Busy);
    EXPECT_TRUE(doubles.boxes.shown().empty());
    Memo().destroyMemoWindow();
    expectNextVisitorServed();
}

TEST_F(ServerRobustness, TranscriptOnlyWithDebugToFileCappedAndRedrawnAFewTimesASecond)
{
    expectNextVisitorServed();
    EXPECT_EQ(server()->transcript(), "");
    Core().DebugToFile = true;
    int redraws = 0;
    QObject::connect(server()->Text1, &QPlainTextEdit::textChanged, [&redraws] { ++redraws; });
    QElapsedTimer clock;
    clock.start();
    // Fifty slow senders, each arrival a change of the transcript.
    std::vector<std::unique_ptr<Visitor>> slow;
    for (int i = 0; i < 50; ++i) {
        slow.push_back(std::make_unique<Visitor>(port));
        slow.back()->send("POST /memo/ HTTP/1.0\r\n");
    }
    for (int i = 0; i < 30; ++i)
        expectNextVisitorServed(QByteArray(400, 'n'));
    EXPECT_LE(redraws, 1 + clock.elapsed() / 250);
    EXPECT_LE(server()->transcript().size(), 20000);
    EXPECT_TRUE(server()->transcript().contains(QStringLiteral("Disconnected ")));
    Core().DebugToFile = false;
    EXPECT_TRUE(pumpUntil([this] { return server()->Text1->toPlainText().contains(QStringLiteral("Connection ")); }));
}

} // namespace
