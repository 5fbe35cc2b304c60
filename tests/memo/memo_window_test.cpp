// The memo window: what it shows, the reply hand-off from its side, the
// OnTop choice, the desktop notices of memos, and the memo log.
#include "MemoFixture.h"

#include "memo/MemoLog.h"
#include "support/NotificationBus.h"

class MemoWindowTest : public MemoTest {
  protected:
    frmMemo& showMemo(const QByteArray& sender, const QByteArray& text, bool reply)
    {
        Memo().globals = {"Home", sender, text, reply, {}, {}, {}, {}};
        frmMemo& w = Memo().memoWindowCreated();
        return w.present("30"), w;
    }
};

// The typed reply, the countdown hidden by typing and both ways of closing are checked
// with a visitor waiting: ServerGolden.MemoWithATypedReply and ServerGolden.CloseAnswersThen...
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
}

TEST_F(MemoWindowTest, WithoutAReplyAskedForTheCountdownAndSendAreOff)
{
    frmMemo& w = showMemo("Ann", "x", false);
    EXPECT_FALSE(w.cmd_Send->isEnabled() || w.txtTime->isEnabled() || w.Label2->isEnabled());
    EXPECT_EQ(w.txtTime->text(), "00");
}

TEST_F(MemoWindowTest, PresentingAMemoHidesTheModalSettingsWindow)
{
    setup().show();
    showMemo("Ann", "x", false);
    EXPECT_FALSE(setup().isVisible());
}

TEST_F(MemoWindowTest, ALongMemoIsCutForShowingButKeptWhole)
{
    frmMemo& w = showMemo("Ann", QByteArray(40000, 'm'), false);
    EXPECT_EQ(w.txtMemo->toPlainText().size(), 32000);
    EXPECT_EQ(Memo().globals.MemoText.size(), 40000);
}

TEST_F(MemoWindowTest, ASenderInUtf8OrLatin1ShowsAsItsText)
{
    for (const QByteArray sender : {"J\xC3\xBCrgen", "J\xFCrgen"}) {
        SCOPED_TRACE(sender.toHex().constData());
        EXPECT_EQ(showMemo(sender, "x", false).txtName->text(), QString::fromUtf8("J\xC3\xBCrgen"));
    }
}

// Each new window starts with what the one before stored.
TEST_F(MemoWindowTest, OnTopIsStoredForTheNextWindow)
{
    for (const bool onTop : {true, false}) {
        SCOPED_TRACE(onTop);
        frmMemo& next = Memo().memoWindowCreated();
        EXPECT_EQ(next.Check1->isChecked(), !onTop);
        EXPECT_EQ(bool(next.windowFlags() & Qt::WindowStaysOnTopHint), !onTop);
        next.Check1->setChecked(onTop);
        EXPECT_EQ(bool(next.windowFlags() & Qt::WindowStaysOnTopHint), onTop);
        EXPECT_EQ(ReadIni("MemoServer", "OnTop", QString()), onTop ? "True" : "False");
        Memo().destroyMemoWindow();
    }
}

// Line breaks continue a field but cannot fake a record.
TEST_F(MemoWindowTest, LineBreaksInAMemoOrReplyCannotFakeALogRecord)
{
    const QDateTime when(QDate(2026, 12, 5), QTime(15, 7, 9));
    EXPECT_EQ(
        MemoLogRecord(when, "Home", "Ann", "one\r\n----------\r\nDate: fake\nName: x\rlast"),
        "----------\r\nDate: " + QLocale::system().toString(when.date(), QLocale::ShortFormat).toUtf8() +
            "   Time: 3:07 PM\r\nWebSite: Home\r\nName: Ann\r\n"
            "Message: one\r\n ----------\r\nDate: fake\r\nName: x\r\nlast\r\n");
    EXPECT_EQ(MemoLogReplyLine("a\n----------"), "Your Reply: a\r\n ----------\r\n");
}

TEST_F(MemoWindowTest, AMissingMemoLogIsToldInABox)
{
    ViewMemoLog(nullptr);
    ASSERT_EQ(doubles.boxes.shown().size(), 1u);
    EXPECT_EQ(doubles.boxes.shown()[0].title + ": " + doubles.boxes.shown()[0].text,
              "Halvorn: Error: File does Exist!");
    EXPECT_TRUE(doubles.desktop.opened.empty());
    EXPECT_FALSE(home.exists("Memo.txt"));
}

TEST_F(MemoWindowTest, TheMemoLogOpensInTheDesktopsViewer)
{
    home.writeFile("Memo.txt", "earlier\r\n");
    ViewMemoLog(nullptr);
    EXPECT_EQ(doubles.desktop.opened, std::vector<QString>{home.file("Memo.txt")});
}

using Notices = ServedMemoTest;

TEST_F(Notices, EveryMemoIsAnnounced)
{
    // The form sent, away or not, and the notice's summary and body.
    const std::tuple<QByteArray, bool, QString, QString> cases[] = {
        {"NAME=Ann&MESSAGE=Hi+there&REPLY=NO", false, "Memo from Ann", "Hi there"},
        {"NAME=%3Cb%3EBob&MESSAGE=" + QByteArray(300, 'x') + "&REPLY=YES", false,
         "Memo from <b>Bob (waiting for your reply)", QString(119, u'x') + QChar(0x2026)},
        {"NAME=&MESSAGE=gone&REPLY=YES", true, "Memo from a visitor", "gone"}};
    for (size_t i = 0; const auto& [form, away, summary, body] : cases) {
        SCOPED_TRACE(form.left(30).constData());
        Memo().setAway(away);
        Visitor visitor(port);
        visitor.send(memoPost(form));
        ASSERT_TRUE(pumpUntil([&, n = ++i] { return doubles.notices.shown.size() == n; }));
        const platform::Notification& n = doubles.notices.shown.back();
        EXPECT_EQ(n.summary + u'|' + n.body, summary + u'|' + body);
        EXPECT_EQ(n.actionLabel, summary.contains(u"reply") ? "Reply" : QString());
        Memo().destroyMemoWindow();
    }
}

TEST_F(Notices, TheNoticesReplyBringsUpTheWaitingWindow)
{
    Visitor visitor(port);
    visitor.send(memoPost("NAME=Ann&MESSAGE=Hi&REPLY=YES"));
    ASSERT_TRUE(pumpUntil([&] { return !doubles.notices.shown.empty() && Memo().memoWindow(); }));
    Memo().memoWindow()->hide();
    doubles.notices.pickLastAction();
    EXPECT_TRUE(Memo().memoWindow()->isVisible());
}

// The notification service on a private bus, so the action comes the way
// the desktop sends it.
class BusNoticeTest : public MemoTest {
  protected:
    // Ticks are short in tests: 600 of them keep the visitor waiting for 30 s.
    void SetUp() override { ASSERT_TRUE(startServer("600") > 0); }
    NotificationBus notices;
};

TEST_F(BusNoticeTest, ReplyOnTheNotificationBringsBackAMinimisedMemoWindow)
{
    QDBusConnection bus = notices.serve();
    const struct {
        const char* name;
        std::function<void(frmMemo&)> away;
        bool maximised;
    } ways[] = {
        {"minimised", [](frmMemo& w) { w.showMinimized(); }, false},
        {"minimised from maximised", [](frmMemo& w) { w.showMaximized(), w.showMinimized(); }, true},
        {"closed while minimised", [](frmMemo& w) { w.showMinimized(), w.hide(); }, false},
    };
    for (const auto& w : ways) {
        SCOPED_TRACE(w.name);
        const qsizetype before = notices.service.calls.size();
        const auto visitor = postMemo();
        ASSERT_TRUE(pumpUntil([&] { return notices.service.calls.size() > before; }));
        ASSERT_TRUE(notices.service.calls.last().contains("Reply"));
        const QPointer<frmMemo> window = Memo().memoWindow();
        ASSERT_TRUE(window && window->isVisible());
        w.away(*window);
        pumpFor(50);
        notices.invokeAction(bus, notices.service.lastId());
        EXPECT_TRUE(pumpUntil([&] { return window && window->isVisible() && !window->isMinimized(); }, 2000));
        // The window system's focus; the offscreen platform does not tell QApplication of a window
        // that had it before it was hidden.
        EXPECT_TRUE(pumpUntil([&] { return window && window->windowHandle()->isActive(); }, 2000));
        ASSERT_TRUE(window && server()->Busy) << "the visitor is still waiting";
        EXPECT_EQ(window->isMaximized(), w.maximised) << "restoring keeps the size the user chose";
        window->findChild<QPushButton*>("cmd_Close")->click(); // ends the wait
        ASSERT_TRUE(visitor->waitClosed());
        pumpUntil([&] { return !Memo().memoWindow(); }, 2000);
    }
}
