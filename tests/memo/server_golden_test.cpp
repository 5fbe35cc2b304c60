// The memo server on a real loopback socket with a fixed clock: every page
// of the memo sequence byte for byte, as the visitor's side receives it.
#include "MemoFixture.h"

#include "memo/frmMemo.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

const QByteArray kHead = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n";
const QByteArray kBody = "<BODY BGCOLOR=\"#FFFFFF\" TEXT=\"#000000\">";
const QByteArray kSubmitNo = "<INPUT type=submit value=\"Send\">  Wait For Reply <select name=\"REPLY\" size=\"1\">"
                             "<option>YES</option><option selected>NO</option></select></FORM></P>";

QByteArray opening(const QByteArray& timeout = "30")
{
    return "<HTML>\r\n<HEAD>\r\n<TITLE>MEMO SENT</TITLE>\r\n</HEAD>\r\n" + kBody
           + "\r\n<H1>Waiting for a reply.</H1><P>Waiting a maximum of " + timeout
           + " seconds.<hr size=\"1\"></P>\r\n" + QByteArray(500, ' ') + "\r\n";
}

QByteArray noReplyBlock()
{
    return "<p align=center>&nbsp;</p>\r\n<p align=center>&nbsp;</p>\r\n<p align=center>&nbsp;</p>\r\n"
           "<p align=center><font size=5><strong>Message Received</strong></font></p>\r\n</body>\r\n</html>\r\n";
}

QByteArray formStart(quint16 port)
{
    return "<P><FORM action=\"http://127.0.0.1:" + QByteArray::number(port)
           + "/memo/\" method=\"POST\">From: <INPUT TYPE=\"text\" NAME=\"NAME\" VALUE=";
}

QByteArray replyBlock(quint16 port, const QByteArray& reply, const QByteArray& name)
{
    return "<FONT SIZE=+1>\r\n<P>Reply: </P>" + reply + "\r\n</FONT>\r\n<hr size=\"1\">\r\n</FONT>\r\n" + formStart(port)
           + "\"" + name + "\" MAXLENGTH=40><BR>\r\n<TEXTAREA ROWS=5 COLS=75  NAME=\"MESSAGE\"></TEXTAREA><BR>\r\n"
           + kSubmitNo + "\r\n";
}

QByteArray interim(const QByteArray& name)
{
    return "\r\n<P><H2>Hello, " + name
           + "</H2>\r\n<FONT SIZE=+1>Replying to message now...</FONT><hr size=\"1\"></P><P></P>\r\n";
}

class ServerGolden : public MemoTest {
protected:
    void SetUp() override { ASSERT_TRUE(startServer() > 0); }

    // Posts a memo and waits until the page's opening has arrived.
    std::unique_ptr<Visitor> postMemo(const QByteArray& body)
    {
        auto v = std::make_unique<Visitor>(port);
        EXPECT_TRUE(v->connected);
        v->send(memoPost(body));
        EXPECT_TRUE(v->waitFor(QByteArray(500, ' ') + "\r\n")) << v->received.constData();
        return v;
    }
};

TEST_F(ServerGolden, MemoWithoutReply)
{
    Visitor v(port);
    v.send(memoPost("Site=Home&NAME=Ann&MESSAGE=Hello+there%21&REPLY=NO"));
    ASSERT_TRUE(v.waitClosed());
    EXPECT_EQ(v.received, kHead + opening() + noReplyBlock());
    EXPECT_FALSE(server()->Busy);
    EXPECT_EQ(Memo().memoWindow(), nullptr);  // no reply, no notice: only logged
    EXPECT_TRUE(home.readFile(QStringLiteral("Memo.txt")).contains("WebSite: Home\r\nName: Ann\r\nMessage: Hello there!\r\n"));
    EXPECT_TRUE(log.contains(QStringLiteral("Memo-Server] Received Memo #1")));
    EXPECT_TRUE(log.contains(QStringLiteral("[Memo-Server] User-Agent: MemoTest/1.0\r\n")));
}

TEST_F(ServerGolden, MemoWithATypedReply)
{
    auto v = postMemo("Site=Home&NAME=Ann&MESSAGE=Hi&REPLY=YES");
    frmMemo* w = Memo().memoWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(server()->Busy);
    ASSERT_TRUE(pumpUntil([w] { return w->txtTime->text() == "27"; }));
    w->txtReply->insertPlainText(QStringLiteral("H"));
    ASSERT_TRUE(v->waitFor("Replying to message now..."));
    EXPECT_EQ(Memo().globals.ReplyCountdown, 9998);
    w->txtReply->insertPlainText(QStringLiteral("i"));
    w->cmd_Send->click();
    ASSERT_TRUE(v->waitClosed());
    EXPECT_EQ(v->received, kHead + opening() + interim("Ann") + replyBlock(port, "Hi", "Ann"));
    EXPECT_EQ(Memo().memoWindow(), nullptr);
    EXPECT_FALSE(server()->Busy);
    EXPECT_TRUE(home.readFile(QStringLiteral("Memo.txt")).endsWith("Message: Hi\r\nYour Reply: Hi\r\n"));
}

TEST_F(ServerGolden, CloseInTheMemoWindowAnswersMessageReceived)
{
    auto v = postMemo("NAME=Ann&MESSAGE=Hi&REPLY=YES");
    Memo().memoWindow()->cmd_Close->click();
    ASSERT_TRUE(v->waitClosed());
    EXPECT_EQ(v->received, kHead + opening() + replyBlock(port, "Message Recevied", "Ann"));
}

TEST_F(ServerGolden, TimeOutWithoutACustomPage)
{
    setup().Timeout->setText(QStringLiteral("2"));
    auto v = postMemo("NAME=Ann&MESSAGE=Hi&REPLY=YES");
    // The first tick comes with the opening; the rest one per tick.
    QStringList shown{Memo().memoWindow()->txtTime->text()};
    QObject::connect(Memo().memoWindow()->txtTime, &QLineEdit::textChanged,
                     [&shown](const QString& t) { shown.append(t); });
    ASSERT_TRUE(v->waitClosed());
    EXPECT_EQ(shown, (QStringList{QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("-1")}));
    EXPECT_EQ(v->received, opening("2").prepend(kHead) + replyBlock(port, "Timeout, No reply", "Ann"));
    EXPECT_EQ(Memo().memoWindow(), nullptr);
}

TEST_F(ServerGolden, TimeOutWithTheTimeoutPage)
{
    home.writeFile(QStringLiteral("late.html"), "<p>Sorry %SenderName%, %timeout% seconds passed</p>");
    setup().chkhtml[PageTimeout]->setChecked(true);
    setup().txtHtml[PageTimeout]->setText(QStringLiteral("late.html"));
    setup().Timeout->setText(QStringLiteral("0"));
    auto v = postMemo("NAME=Ann&MESSAGE=Hi&REPLY=YES");
    ASSERT_TRUE(v->waitClosed());
    EXPECT_EQ(v->received, kHead + opening("0") + "<p>Sorry Ann, 0 seconds passed</p>\r\n\r\n");
}

TEST_F(ServerGolden, AwayPageAndNoWaitBehindIt)
{
    Memo().setAway(true);
    Visitor v(port);
    v.send(memoPost("NAME=Ann&MESSAGE=Hi&REPLY=YES"));
    ASSERT_TRUE(v.waitClosed());
    EXPECT_EQ(v.received, kHead + "<html>\r\n<head>\r\n<meta http-equiv=\"Content-Type\"\r\n"
                                  "content=\"text/html; charset=iso-8859-1\">\r\n<title>Memo Received</title>\r\n"
                                  "</head>\r\n"
                              + kBody
                              + "<p>Hello, Ann</p>\r\n<p>I am currently in away mode. </p>\r\n"
                                "<p>Your memo has been logged and I will read it when I get a chance.</p>\r\n"
                                "<p>&nbsp;</p>\r\n</body>\r\n</html>\r\n");
    EXPECT_FALSE(server()->Busy);
    EXPECT_EQ(Memo().memoWindow(), nullptr);
    EXPECT_TRUE(home.readFile(QStringLiteral("Memo.txt")).contains("Name: Ann"));
    // The next memo is handled, not refused.
    Visitor next(port);
    next.send(memoPost("NAME=Bob&MESSAGE=x&REPLY=NO"));
    ASSERT_TRUE(next.waitClosed());
    EXPECT_TRUE(next.received.contains("<p>Hello, Bob</p>"));
}

TEST_F(ServerGolden, CustomAwayPage)
{
    home.writeFile(QStringLiteral("away.html"), "<p>Out, %sendername%? %lowday%</p>");
    setup().chkhtml[PageAway]->setChecked(true);
    setup().txtHtml[PageAway]->setText(QStringLiteral("away.html"));
    Memo().setAway(true);
    Visitor v(port);
    v.send(memoPost("NAME=Ann&MESSAGE=Hi&REPLY=NO"));
    ASSERT_TRUE(v.waitClosed());
    // SenderName is set only when the memo window is shown: not in away mode.
    EXPECT_EQ(v.received, kHead + "<p>Out, ? Saturday</p>\r\n\r\n");
}

TEST_F(ServerGolden, BusyPageForASecondVisitor)
{
    auto first = postMemo("NAME=Ann&MESSAGE=Hi&REPLY=YES");
    Visitor second(port);
    second.send(memoPost("NAME=Bob&MESSAGE=Hello&REPLY=YES"));
    ASSERT_TRUE(second.waitClosed());
    EXPECT_EQ(second.received,
              kHead + "<HTML>\r\n<HEAD>\r\n<TITLE>Error</TITLE>\r\n</HEAD>\r\n" + kBody + "\r\n"
                  + "<p align=\"left\"><font color=\"#FF0000\"><strong>Error: 5</strong></font></p>"
                    "<p align=\"center\"><strong>MemoSever in use, Please Try again soon.</strong></p>"
                  + formStart(port)
                  + "Bob MAXLENGTH=40><BR>\r\n<TEXTAREA ROWS=5 COLS=75  NAME=\"MESSAGE\"></TEXTAREA><BR>\r\n"
                  + kSubmitNo + "\r\n</body>\r\n</HTML>" + QByteArray(20, ' ') + "\r\n");
    EXPECT_FALSE(first->closed);
    EXPECT_TRUE(server()->Busy);
    EXPECT_EQ(Memo().globals.MemoSender, "Ann");
    Memo().memoWindow()->cmd_Send->click();
    ASSERT_TRUE(first->waitClosed());
    EXPECT_TRUE(first->received.endsWith(replyBlock(port, "Message Recevied", "Ann")));
}

TEST_F(ServerGolden, BusyPageTextAreaAndCustomBusyPage)
{
    auto first = postMemo("NAME=Ann&MESSAGE=Hi&REPLY=YES");
    Visitor raw(port);
    raw.send("POST / HTTP/1.0\r\n\r\nNAME=B+b&MESSAGE=Hel%3Clo&REPLY=NO\r\n");
    ASSERT_TRUE(raw.waitClosed());
    EXPECT_TRUE(raw.received.contains("VALUE=B&#32;b MAXLENGTH=40>"));
    EXPECT_TRUE(raw.received.contains(" NAME=\"MESSAGE\">Hel&lt;lo</TEXTAREA>"));
    home.writeFile(QStringLiteral("busy.html"), "<p>Busy, try at %24time%</p>");
    setup().chkhtml[PageBusy]->setChecked(true);
    setup().txtHtml[PageBusy]->setText(QStringLiteral("busy.html"));
    Visitor custom(port);
    custom.send(memoPost("NAME=C&MESSAGE=x&REPLY=NO"));
    ASSERT_TRUE(custom.waitClosed());
    EXPECT_EQ(custom.received, kHead + "<p>Busy, try at 15:07:09</p>\r\n");
}

TEST_F(ServerGolden, NotFoundPage)
{
    Visitor v(port);
    v.send("HEAD /memo/ HTTP/1.0\r\n\r\n");
    ASSERT_TRUE(v.waitClosed());
    EXPECT_EQ(v.received, kHead + "<HTML>\r\n<HEAD>\r\n<TITLE>Error</TITLE>\r\n</HEAD>\r\n" + kBody + "\r\n"
                              + "<p align=\"left\"><font color=\"#FF0000\"><strong>Error: 4</strong></font></p>"
                                "<p align=\"center\"><strong>Requested URL not found on Server.</strong></p>"
                              + formStart(port)
                              + "\"\" MAXLENGTH=40><BR>\r\n<TEXTAREA ROWS=5 COLS=75  NAME=\"MESSAGE\"></TEXTAREA>"
                                "<BR>\r\n"
                              + kSubmitNo + "\r\n</body>\r\n</html>\r\n");
    // Server-closed sockets leave the table at once.
    EXPECT_TRUE(pumpUntil([this] { return server()->connectionCount() == 0; }, 2000));
}

TEST_F(ServerGolden, CustomMemoPageWithAllTwentyVariables)
{
    WriteIni(QStringLiteral("Custom"), QStringLiteral("C0%"), QStringLiteral("v1"));
    WriteIni(QStringLiteral("Custom"), QStringLiteral("C1%"), QStringLiteral("v2"));
    WriteIni(QStringLiteral("Custom"), QStringLiteral("C2%"), QStringLiteral("v3"));
    WriteIni(QStringLiteral("Custom"), QStringLiteral("C3%"), QStringLiteral("v4"));
    WriteIni(QStringLiteral("Custom"), QStringLiteral("C4%"), QStringLiteral("v5"));
    home.writeFile(QStringLiteral("memo.html"),
                   "%ip%|%time%|%dns%|%date%|%24time%|%c1%|%c2%|%c3%|%c4%|%c5%|%status%|%reply%|%SENDERNAME%|"
                   "%timeout%|%mm/dd/yy%|%mm-dd-yy%|%mmmddyyyy%|%shwday%|%lowday%\r\n%memo%\r\n");
    setup().chkhtml[PageMemo]->setChecked(true);
    setup().txtHtml[PageMemo]->setText(QStringLiteral("memo.html"));
    setup().chkMemoNotice->setChecked(true);
    Visitor v(port);
    v.send(memoPost("NAME=Ann&MESSAGE=Hi&REPLY=NO"));
    ASSERT_TRUE(v.waitClosed());
    QByteArray nb = kSubmitNo;
    nb.replace("\">  Wait", "\"> \xA0Wait");
    const QByteArray form =
        "<P><FORM action=\"http://127.0.0.1:" + QByteArray::number(port)
        + "/memo/\" method=\"POST\"> <input type=\"hidden\" name=\"Site\" value=\"Reply\"> From: <INPUT TYPE=\"text\" "
          "NAME=\"NAME\" VALUE= \"Ann\" MAXLENGTH=40><BR>\r\n<TEXTAREA MAXLENGTH=256 ROWS=5 COLS=75  "
          "NAME=\"MESSAGE\"></TEXTAREA><BR>\r\n"
        + nb + "\r\n";
    EXPECT_EQ(v.received, kHead
                              + "127.0.0.1|03:07 PM|testhost|Saturday, Dec 5 2026|15:07:09|v1|v2|v3|v4|v5|||Ann|30|"
                                "12/05/26|12-05-26|Dec 05, 2026|Sat|Saturday\r\n"
                              + form + "\r\n" + noReplyBlock());
    // The memo window popped up because of the notice setting.
    ASSERT_NE(Memo().memoWindow(), nullptr);
    EXPECT_FALSE(Memo().memoWindow()->cmd_Send->isEnabled());
}

TEST_F(ServerGolden, HeaderAndFooterPagesAroundTheReply)
{
    home.writeFile(QStringLiteral("head.html"), "<h2>Typing for %sendername%</h2>");
    home.writeFile(QStringLiteral("foot.html"), "<p>Reply: %reply%</p>");
    setup().chkhtml[PageHeader]->setChecked(true);
    setup().txtHtml[PageHeader]->setText(QStringLiteral("head.html"));
    setup().chkhtml[PageFooter]->setChecked(true);
    setup().txtHtml[PageFooter]->setText(QStringLiteral("foot.html"));
    auto v = postMemo("NAME=Ann&MESSAGE=Hi&REPLY=YES");
    frmMemo* w = Memo().memoWindow();
    w->txtReply->setPlainText(QStringLiteral("%reply% <b>ok</b>"));
    ASSERT_TRUE(v->waitFor("<h2>Typing for Ann</h2>\r\n"));
    w->cmd_Send->click();
    ASSERT_TRUE(v->waitClosed());
    EXPECT_EQ(v->received,
              kHead + opening() + "<h2>Typing for Ann</h2>\r\n" + "<p>Reply: %reply% <b>ok</b></p>\r\n\r\n\r\n");
}

TEST_F(ServerGolden, HeaderWithoutFooterEndsAfterTheInterimPiece)
{
    home.writeFile(QStringLiteral("head.html"), "<h2>Wait</h2>");
    setup().chkhtml[PageHeader]->setChecked(true);
    setup().txtHtml[PageHeader]->setText(QStringLiteral("head.html"));
    auto v = postMemo("NAME=Ann&MESSAGE=Hi&REPLY=YES");
    Memo().memoWindow()->txtReply->setPlainText(QStringLiteral("x"));
    ASSERT_TRUE(v->waitFor("<h2>Wait</h2>\r\n"));
    Memo().memoWindow()->cmd_Send->click();
    ASSERT_TRUE(v->waitClosed());
    EXPECT_EQ(v->received, kHead + opening() + "<h2>Wait</h2>\r\n");
}

TEST_F(ServerGolden, ANewWaitStartsWithAnEmptyReply)
{
    // A window left from a memo without reply request, then closed.
    setup().chkMemoNotice->setChecked(true);
    Visitor plain(port);
    plain.send(memoPost("NAME=Ann&MESSAGE=first&REPLY=NO"));
    ASSERT_TRUE(plain.waitClosed());
    Memo().memoWindow()->cmd_Close->click();
    EXPECT_EQ(Memo().globals.MemoReply, "Message Recevied");
    setup().Timeout->setText(QStringLiteral("1"));
    auto v = postMemo("NAME=Bob&MESSAGE=second&REPLY=YES");
    ASSERT_TRUE(v->waitClosed());
    EXPECT_TRUE(v->received.endsWith(replyBlock(port, "Timeout, No reply", "Bob")));
}

TEST_F(ServerGolden, SoundPlaysWhenAMemoArrives)
{
    setup().chkMemoSound->setChecked(true);
    setup().PlayMemoSound->setText(QStringLiteral("/s/memo.wav"));
    doubles.sound.outputs = 1;
    Visitor v(port);
    v.send(memoPost("NAME=Ann&MESSAGE=Hi&REPLY=NO"));
    ASSERT_TRUE(v.waitClosed());
    EXPECT_EQ(doubles.sound.played, QStringList{QStringLiteral("/s/memo.wav")});
}

} // namespace
