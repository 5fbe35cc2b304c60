// The memo server on a real loopback socket with a fixed clock: every page
// of the memo sequence byte for byte, as the visitor's side receives it.
#include "MemoFixture.h"

using ServerGolden = ServedMemoTest;

TEST_F(ServerGolden, AMemoWithoutReplyGetsTheReceivedPageAndIsLogged)
{
    EXPECT_EQ(exchange(memoPost("Site=Home&NAME=Ann&MESSAGE=Hello+there%21&REPLY=NO")),
              kHead + opening() + kNoReplyBlock);
    EXPECT_FALSE(server()->Busy);
    EXPECT_EQ(Memo().memoWindow(), nullptr); // no reply, no notice: only logged
    EXPECT_TRUE(memoLog().contains("WebSite: Home\r\nName: Ann\r\nMessage: Hello there!\r\n"));
    EXPECT_TRUE(log.contains("Memo-Server] Received Memo #1"));
    EXPECT_TRUE(log.lines.filter("User-Agent").value(0).endsWith("] User-Agent: MemoTest/1.0\r\n"));
}

TEST_F(ServerGolden, AMemoRingsTheChosenSound)
{
    setup().chkMemoSound->setChecked(true);
    setup().PlayMemoSound->setText("/s/memo.wav");
    doubles.sound.outputs = 1;
    exchange(memoPost("NAME=Ann&MESSAGE=Hi&REPLY=NO"));
    EXPECT_EQ(doubles.sound.played, QStringList{"/s/memo.wav"});
}

// Well within the idle time-out: a browser opening the address gets a page, not a spinner.
TEST_F(ServerGolden, OtherRequestsGetTheNotFoundPageAtOnce)
{
    for (const char* request : {"HEAD /memo/ HTTP/1.0\r\n\r\n", "GET /memo/ HTTP/1.1\r\nHost: x\r\n\r\n",
                                "POST /memo/ HTTP/1.1\r\nContent-Length: 3\r\n\r\nx=1"}) {
        SCOPED_TRACE(request);
        EXPECT_EQ(exchange(request, 1000),
                  errorPage("4", "Requested URL not found on Server.", form(host(), "\"\"")) + "</html>\r\n");
    }
    // Server-closed sockets leave the table at once.
    EXPECT_TRUE(pumpUntil([this] { return server()->connectionCount() == 0; }, 2000));
}

TEST_F(ServerGolden, MemoWithATypedReply)
{
    auto v = postMemo("Site=Home&NAME=Ann&MESSAGE=Hi&REPLY=YES");
    frmMemo* w = Memo().memoWindow();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(pumpUntil([w] { return w->txtTime->text() == "27"; }));
    w->txtReply->insertPlainText("H");
    ASSERT_TRUE(v->waitFor("Replying to message now..."));
    EXPECT_EQ(Memo().globals.ReplyCountdown, 9998);
    // Typing hides the countdown for good, even once the reply is emptied again.
    EXPECT_TRUE(w->isVisible() && !w->txtTime->isVisible() && w->Label2->text().isEmpty());
    w->txtReply->clear();
    EXPECT_FALSE(w->txtTime->isVisible());
    w->txtReply->insertPlainText("Hi\nthere"); // lines go out ending in CR LF
    w->cmd_Send->click();
    ASSERT_TRUE(v->waitClosed());
    EXPECT_EQ(v->received, kHead + opening() +
                               "\r\n<P><H2>Hello, Ann</H2>\r\n<FONT SIZE=+1>Replying to message now...</FONT>"
                               "<hr size=\"1\"></P><P></P>\r\n" +
                               replyBlock(host(), "Hi\r\nthere", "Ann"));
    EXPECT_EQ(Memo().memoWindow(), nullptr);
    EXPECT_FALSE(server()->Busy);
    EXPECT_TRUE(memoLog().endsWith("Message: Hi\r\nYour Reply: Hi\r\nthere\r\n"));
}

TEST_F(ServerGolden, AwayModeAnswersEveryMemoWithTheAwayPageWithoutAWait)
{
    Memo().setAway(true);
    EXPECT_EQ(exchange(memoPost("NAME=Ann&MESSAGE=Hi&REPLY=YES")), kHead + awayPage("Ann"));
    EXPECT_FALSE(server()->Busy);
    EXPECT_EQ(Memo().memoWindow(), nullptr);
    EXPECT_TRUE(memoLog().contains("Name: Ann"));
    // The next memo is handled, not refused.
    EXPECT_EQ(exchange(memoPost("NAME=Bob&MESSAGE=x&REPLY=NO")), kHead + awayPage("Bob"));
}

// SenderName is set only when the memo window is shown: not in away mode.
TEST_F(ServerGolden, TheCustomAwayPageHasNoSenderName)
{
    Memo().setAway(true);
    customPage(PageAway, "away.html", "<p>Out, %sendername%? %lowday%</p>");
    EXPECT_EQ(exchange(memoPost("NAME=Ann&MESSAGE=Hi&REPLY=NO")), kHead + "<p>Out, ? Saturday</p>\r\n\r\n");
}

TEST_F(ServerGolden, OtherVisitorsGetTheBusyPageDuringAWait)
{
    auto first = postMemo();
    EXPECT_EQ(exchange(memoPost("NAME=Bob&MESSAGE=Hello&REPLY=YES")), busyPage(host(), "Bob", ""));
    EXPECT_FALSE(first->closed);
    EXPECT_TRUE(server()->Busy);
    EXPECT_EQ(Memo().globals.MemoSender, "Ann");
    Memo().memoWindow()->cmd_Send->click();
    ASSERT_TRUE(first->waitClosed());
    EXPECT_TRUE(first->received.endsWith(replyBlock(host(), "Message Recevied", "Ann")));
}

// With a line break after the fields the message comes back too, escaped; a
// bad escape empties only its own field.
TEST_F(ServerGolden, TheBusyPageEscapesTheFieldsAndEmptiesABadOne)
{
    auto first = postMemo();
    EXPECT_EQ(exchange("POST / HTTP/1.0\r\n\r\nNAME=B+b&MESSAGE=Hel%3Clo&REPLY=NO\r\n"),
              busyPage(host(), "B&#32;b", "Hel&lt;lo"));
    EXPECT_EQ(exchange("POST / HTTP/1.0\r\n\r\nNAME=%G1&MESSAGE=ok&REPLY=NO\r\n"),
              busyPage(host(), "\"\"", "ok"));
}

TEST_F(ServerGolden, TheCustomBusyPageIsSentDuringAWait)
{
    auto first = postMemo();
    customPage(PageBusy, "busy.html", "<p>Busy, try at %24time%</p>");
    EXPECT_EQ(exchange(memoPost("NAME=C&MESSAGE=x&REPLY=NO")), kHead + "<p>Busy, try at 15:07:09</p>\r\n");
}

TEST_F(ServerGolden, TheCustomMemoPageHasEveryVariable)
{
    for (int i = 0; i < 5; ++i)
        WriteIni("Custom", QString("C%1%").arg(i), QString("v%1").arg(i + 1));
    customPage(PageMemo, "memo.html",
               "%ip%|%time%|%dns%|%date%|%24time%|%c1%|%c2%|%c3%|%c4%|%c5%|%status%|%reply%|%SENDERNAME%|"
               "%timeout%|%mm/dd/yy%|%mm-dd-yy%|%mmmddyyyy%|%shwday%|%lowday%\r\n%memo%\r\n");
    setup().chkMemoNotice->setChecked(true); // shows the window, which sets the sender's name
    EXPECT_EQ(exchange(memoPost("NAME=Ann&MESSAGE=Hi&REPLY=NO")),
              kHead +
                  "127.0.0.1|03:07 PM|testhost|Saturday, Dec 5 2026|15:07:09|v1|v2|v3|v4|v5|||Ann|30|"
                  "12/05/26|12-05-26|Dec 05, 2026|Sat|Saturday\r\n" +
                  followUpForm(host(), "Ann") + "\r\n" + kNoReplyBlock);
}

TEST_F(ServerGolden, WithTheNoticeSettingAMemoWithoutReplyShowsTheWindowWithoutSend)
{
    setup().chkMemoNotice->setChecked(true);
    exchange(memoPost("NAME=Ann&MESSAGE=Hi&REPLY=NO"));
    ASSERT_NE(Memo().memoWindow(), nullptr);
    EXPECT_TRUE(Memo().memoWindow()->isVisible());
    EXPECT_FALSE(Memo().memoWindow()->cmd_Send->isEnabled());
}

TEST_F(ServerGolden, APageLargerThanTheSocketTakesAtOnceGoesOutWholeBeforeTheClose)
{
    memoLimits().maxPageFileBytes = 8 << 20;
    const QByteArray big(8 << 20, 'b');
    customPage(PageMemo, "big.html", big);
    EXPECT_EQ(exchange(memoPost("NAME=Ann&MESSAGE=Hi&REPLY=NO"), 30000),
              kHead + big + "\r\n" + kNoReplyBlock);
}

// Without the footer the page ends after the interim piece.
TEST_F(ServerGolden, TheHeaderPageGoesOutWhileTheUserTypesAndTheFooterAfterTheReply)
{
    customPage(PageHeader, "head.html", "<h2>Typing for %sendername%</h2>");
    customPage(PageFooter, "foot.html", "<p>Reply: %reply%</p>");
    for (const bool footer : {true, false}) {
        SCOPED_TRACE(footer);
        setup().chkhtml[PageFooter]->setChecked(footer);
        auto v = postMemo();
        Memo().memoWindow()->txtReply->setPlainText("%reply% <b>ok</b>");
        ASSERT_TRUE(v->waitFor("<h2>Typing for Ann</h2>\r\n"));
        Memo().memoWindow()->cmd_Send->click();
        ASSERT_TRUE(v->waitClosed());
        EXPECT_EQ(v->received, kHead + opening() + "<h2>Typing for Ann</h2>\r\n" +
                                   (footer ? "<p>Reply: %reply% <b>ok</b></p>\r\n\r\n\r\n" : ""));
    }
}

TEST_F(ServerGolden, CloseAnswersMessageReceived)
{
    auto v = postMemo();
    Memo().memoWindow()->cmd_Close->click();
    ASSERT_TRUE(v->waitClosed());
    EXPECT_EQ(v->received, kHead + opening() + replyBlock(host(), "Message Recevied", "Ann"));
}

TEST_F(ServerGolden, TheCloseBoxAnswersAsCloseDoesAndOnlyHides)
{
    setup().chkMemoNotice->setChecked(true);
    exchange(memoPost("NAME=Bob&MESSAGE=first&REPLY=NO"));
    Memo().memoWindow()->close();
    EXPECT_FALSE(Memo().memoWindow()->isVisible());
    EXPECT_EQ(Memo().globals.MemoReply, "Message Recevied");
}

// The first tick comes with the opening; the rest one per tick.
TEST_F(ServerGolden, AWaitCountsDownEachTickAndTimesOut)
{
    setup().Timeout->setText("2");
    auto late = postMemo();
    QStringList shown{Memo().memoWindow()->txtTime->text()};
    QObject::connect(Memo().memoWindow()->txtTime, &QLineEdit::textChanged,
                     [&](const QString& t) { shown << t; });
    ASSERT_TRUE(late->waitClosed());
    EXPECT_EQ(shown, (QStringList{"1", "0", "-1"}));
    EXPECT_EQ(late->received, kHead + opening("2") + replyBlock(host(), "Timeout, No reply", "Ann"));
    EXPECT_EQ(Memo().memoWindow(), nullptr);
}

TEST_F(ServerGolden, TheCustomTimeoutPageIsSentAtTheTimeOut)
{
    customPage(PageTimeout, "late.html", "<p>Sorry %SenderName%, %timeout% seconds passed</p>");
    setup().Timeout->setText("0");
    EXPECT_EQ(exchange(memoPost("NAME=Ann&MESSAGE=Hi&REPLY=YES")),
              kHead + opening("0") + "<p>Sorry Ann, 0 seconds passed</p>\r\n\r\n");
}
