// The memo window: what it shows, the reply hand-off from its side, the
// OnTop choice and the memo log commands.
#include "MemoFixture.h"

#include "memo/MemoLog.h"

namespace {

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
        w.present(QStringLiteral("30"));
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
    EXPECT_EQ(w.lbltime->textFormat(), Qt::PlainText);
    EXPECT_EQ(w.Label2->textFormat(), Qt::PlainText);
    EXPECT_TRUE(w.txtName->isReadOnly());
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.cmd_Send->isEnabled());
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
    w.show();
    MemoGlobals& g = Memo().globals;
    g.ReplyTyping = false;
    g.ReplyCountdown = 20;
    w.txtReply->insertPlainText(QStringLiteral("x"));
    EXPECT_TRUE(g.ReplyTyping);
    EXPECT_EQ(g.ReplyCountdown, 9999);
    EXPECT_FALSE(w.txtTime->isVisible());
    EXPECT_EQ(w.Label2->text(), "");
    w.txtReply->clear();
    EXPECT_FALSE(w.txtTime->isVisible());
}

TEST_F(MemoWindowTest, SendTakesTheTypedReplyWithCrLfLinesOrMessageReceived)
{
    // An empty box sends "Message Recevied"; the log gets each reply line.
    const std::pair<QString, QString> cases[] = {{"", "Message Recevied"}, {"one\ntwo", "one\r\ntwo"}};
    QByteArray logged;
    for (const auto& [typed, sent] : cases) {
        frmMemo& w = showMemo("Ann", "Hi", true);
        Memo().globals.ReplySent = false;
        w.txtReply->setPlainText(typed);
        w.cmd_Send_Click();
        EXPECT_TRUE(Memo().globals.ReplySent);
        EXPECT_EQ(Memo().globals.MemoReply, sent);
        EXPECT_TRUE(w.isVisible());
        logged += "Your Reply: " + sent.toUtf8() + "\r\n";
        EXPECT_EQ(home.readFile(QStringLiteral("Memo.txt")), logged);
    }
}

TEST_F(MemoWindowTest, CloseAndTheCloseBoxHideAndAnswer)
{
    frmMemo& w = showMemo("Ann", "Hi", true);
    w.cmd_Close_Click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(Memo().globals.MemoReply, "Message Recevied");
    Memo().globals.MemoReply.clear();
    w.show();
    w.close();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(Memo().globals.MemoReply, "Message Recevied");
    EXPECT_NE(Memo().memoWindow(), nullptr);
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
        EXPECT_EQ(ReadIni(QStringLiteral("MemoServer"), QStringLiteral("OnTop"), QString()), onTop ? "True" : "False");
        Memo().destroyMemoWindow();
    }
}

TEST_F(MemoWindowTest, ViewLogOpensTheFileOrSaysItIsMissing)
{
    ViewMemoLog(nullptr);
    ASSERT_EQ(doubles.boxes.shown().size(), 1u);
    EXPECT_EQ(doubles.boxes.shown()[0].text, "Error: File does Exist!");
    EXPECT_EQ(doubles.boxes.shown()[0].title, "Halvorn");
    EXPECT_TRUE(doubles.desktop.opened.empty());
    EXPECT_FALSE(home.exists(QStringLiteral("Memo.txt")));
    AppendMemoLog("x\r\n");
    ViewMemoLog(nullptr);
    ASSERT_EQ(doubles.desktop.opened.size(), 1u);
    EXPECT_EQ(doubles.desktop.opened[0], home.file(QStringLiteral("Memo.txt")));
}

} // namespace
