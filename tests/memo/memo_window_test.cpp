// The memo window: what it shows, the reply hand-off from its side, the
// OnTop choice, the desktop notices of memos, and the memo log.
#include "MemoFixture.h"

#include "memo/MemoLog.h"

class MemoWindowTest : public MemoTest {
protected:
    frmMemo& showMemo(const QByteArray& sender, const QByteArray& text, bool reply)
    {
        MemoGlobals& g = Memo().globals;
        g.MemoWebSite = "Home";
        g.MemoSender = sender;
        g.MemoText = text;
        g.ReplyWanted = reply;
        frmMemo& w = Memo().memoWindowCreated();
        w.present("30");
        return w;
    }
};

TEST_F(MemoWindowTest, ShowsTheMemoAsPlainText)
{
    frmMemo& w = showMemo("<b>Ann</b>", "Hello <script>alert(1)</script>", true);
    EXPECT_EQ(w.windowTitle(), "You received a Memo from your Home webpage.");
    EXPECT_EQ(w.txtName->text(), "<b>Ann</b>");
    EXPECT_EQ(w.txtMemo->toPlainText(), "Hello <script>alert(1)</script>");
    EXPECT_EQ(w.lbltime->text(), "Sat Dec 05, 2026  3:07 PM");
    EXPECT_TRUE(w.lbltime->textFormat() == Qt::PlainText && w.Label2->textFormat() == Qt::PlainText);
    EXPECT_TRUE(w.txtName->isReadOnly() && w.isVisible() && w.cmd_Send->isEnabled());
    EXPECT_EQ(w.txtTime->text(), "30");
    // Without reply the countdown is off; presenting hides the modal settings window.
    setup().show();
    showMemo("Ann", "Hi", false);
    EXPECT_FALSE(setup().isVisible());
    EXPECT_FALSE(w.cmd_Send->isEnabled() || w.txtTime->isEnabled() || w.Label2->isEnabled());
    EXPECT_EQ(w.txtTime->text(), "00");
}

TEST_F(MemoWindowTest, LongMessagesAreCutForShowingAndEitherEncodingShows)
{
    frmMemo& w = showMemo("Ann", QByteArray(40000, 'm'), false);
    EXPECT_EQ(w.txtMemo->toPlainText().size(), 32000);
    EXPECT_EQ(Memo().globals.MemoText.size(), 40000);
    EXPECT_EQ(showMemo("J\xC3\xBCrgen", "x", false).txtName->text(), QString::fromUtf8("J\xC3\xBCrgen"));
    EXPECT_EQ(showMemo("J\xFCrgen", "x", false).txtName->text(), QString::fromUtf8("J\xC3\xBCrgen"));
}

TEST_F(MemoWindowTest, TypingHidesTheCountdownForGood)
{
    frmMemo& w = showMemo("Ann", "Hi", true);
    MemoGlobals& g = Memo().globals;
    g.ReplyCountdown = 20;
    EXPECT_FALSE(g.ReplyTyping);
    w.txtReply->insertPlainText("x");
    EXPECT_TRUE(g.ReplyTyping);
    EXPECT_EQ(g.ReplyCountdown, 9999);
    EXPECT_FALSE(w.txtTime->isVisible());
    EXPECT_EQ(w.Label2->text(), "");
    w.txtReply->clear();
    EXPECT_FALSE(w.txtTime->isVisible());
}

TEST_F(MemoWindowTest, SendTakesTheTypedReplyWithCrLfLinesAndLogsIt)
{
    frmMemo& w = showMemo("Ann", "Hi", true);
    EXPECT_FALSE(Memo().globals.ReplySent);
    w.txtReply->setPlainText("one\ntwo");
    w.cmd_Send_Click();
    EXPECT_TRUE(Memo().globals.ReplySent);
    EXPECT_EQ(Memo().globals.MemoReply, "one\r\ntwo");
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(memoLog(), "Your Reply: one\r\ntwo\r\n");
}

TEST_F(MemoWindowTest, CloseAndTheCloseBoxHideAndAnswer)
{
    frmMemo& w = showMemo("Ann", "Hi", true);
    w.close(); // the close box answers as Close does (ServerGolden.CloseInTheMemoWindowAnswersMessageReceived)
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(Memo().globals.MemoReply, "Message Recevied");
    EXPECT_NE(Memo().memoWindow(), nullptr);
    w.show();
    w.cmd_Close_Click();
    EXPECT_FALSE(w.isVisible());
}

TEST_F(MemoWindowTest, OnTopIsStoredAndReadBack)
{
    // Each new window starts with what the one before stored.
    for (const bool onTop : {true, false}) {
        SCOPED_TRACE(onTop);
        frmMemo& w = Memo().memoWindowCreated();
        EXPECT_EQ(w.Check1->isChecked(), !onTop);
        EXPECT_EQ(bool(w.windowFlags() & Qt::WindowStaysOnTopHint), !onTop);
        w.Check1->setChecked(onTop);
        EXPECT_EQ(bool(w.windowFlags() & Qt::WindowStaysOnTopHint), onTop);
        EXPECT_EQ(ReadIni("MemoServer", "OnTop", QString()), onTop ? "True" : "False");
        Memo().destroyMemoWindow();
    }
}

TEST_F(MemoWindowTest, ViewLogOpensTheFileOrSaysItIsMissing)
{
    ViewMemoLog(nullptr);
    ASSERT_EQ(doubles.boxes.shown().size(), 1u);
    EXPECT_EQ(doubles.boxes.shown()[0].title + ": " + doubles.boxes.shown()[0].text, "Halvorn: Error: File does Exist!");
    EXPECT_TRUE(doubles.desktop.opened.empty());
    EXPECT_FALSE(home.exists("Memo.txt"));
    AppendMemoLog("x\r\n");
    ViewMemoLog(nullptr);
    ASSERT_EQ(doubles.desktop.opened.size(), 1u);
    EXPECT_EQ(doubles.desktop.opened[0], home.file("Memo.txt"));
}

// Records go after the earlier ones; line breaks continue a field but cannot fake a record.
TEST_F(MemoWindowTest, LogRecordsAndReplyLinesCannotFakeARecord)
{
    const QDateTime when(QDate(2026, 12, 5), QTime(15, 7, 9));
    EXPECT_EQ(MemoLogRecord(when, "Home", "Ann", "one\r\n----------\r\nDate: fake\nName: x\rlast"),
              "----------\r\nDate: " + QLocale::system().toString(when.date(), QLocale::ShortFormat).toUtf8()
                  + "   Time: 3:07 PM\r\nWebSite: Home\r\nName: Ann\r\n"
                    "Message: one\r\n ----------\r\nDate: fake\r\nName: x\r\nlast\r\n");
    EXPECT_EQ(MemoLogReplyLine("a\n----------"), "Your Reply: a\r\n ----------\r\n");
    home.writeFile("Memo.txt", "earlier\r\n");
    ASSERT_TRUE(AppendMemoLog("first\r\n"));
    ASSERT_TRUE(AppendMemoLog("second\r\n"));
    EXPECT_EQ(memoLog(), "earlier\r\nfirst\r\nsecond\r\n");
}

using Notices = MemoTest;

TEST_F(Notices, EveryMemoIsAnnouncedAndReplyBringsUpTheWaitingWindow)
{
    startServer();
    // The form sent, away or not, and the notice's summary and body.
    const std::tuple<QByteArray, bool, QString, QString> cases[] = {{"NAME=Ann&MESSAGE=Hi+there&REPLY=NO", false, "Memo from Ann", "Hi there"},
                 {"NAME=%3Cb%3EBob&MESSAGE=" + QByteArray(300, 'x') + "&REPLY=YES", false,
                  "Memo from <b>Bob (waiting for your reply)", QString(119, u'x') + QChar(0x2026)},
                 {"NAME=&MESSAGE=gone&REPLY=YES", true, "Memo from a visitor", "gone"}};
    for (size_t i = 0; const auto& [form, away, summary, body] : cases) {
        Memo().setAway(away);
        Visitor visitor(port);
        visitor.send(memoPost(form));
        ++i;
        ASSERT_TRUE(pumpUntil([&] { return doubles.notices.shown.size() == i; }));
        const platform::Notification& n = doubles.notices.shown.back();
        EXPECT_EQ(n.summary + u'|' + n.body, summary + u'|' + body);
        EXPECT_EQ(n.actionLabel, summary.contains(u"reply") ? "Reply" : QString());
        if (Memo().memoWindow()) {
            Memo().memoWindow()->hide();
            doubles.notices.pickLastAction();
            EXPECT_EQ(Memo().memoWindow()->isVisible(), !n.actionLabel.isEmpty());
            Memo().destroyMemoWindow();
        }
    }
    WriteIni("StartUp", "Desktop Notifications", "False");
    Memo().setAway(false);
    exchange(memoPost("NAME=Cy&MESSAGE=quiet&REPLY=NO"));
    EXPECT_EQ(doubles.notices.shown.size(), std::size(cases));
}
