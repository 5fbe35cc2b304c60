// How a failing mail check tells the user: boxes that do not pile up on an
// absent user, the mail status panel and tray tip, and a footer that always
// describes the rows the mailbox window shows.
#include "MailCheckFixture.h"

#include "core/Loaders.h"
#include "core/TrayIcon.h"
#include "publish/PublishWiring.h"
#include "support/ServerProcess.h"

namespace {

QString closedPort()
{
    return u"127.0.0.1:%1"_s.arg(FreeLoopbackPort());
}

// A box double that, while its first box is open, runs what the box's own
// event loop would let through (timer ticks, the user's clicks), and counts
// the boxes open at once.
class BoxesThatLetThrough final : public platform::MessageBoxes {
  public:
    explicit BoxesThatLetThrough(std::function<void()> whileOpen) : whileOpen_(std::move(whileOpen)) {}
    platform::MsgAnswer show(QWidget*, const platform::MsgBoxRequest& request) override
    {
        shown.push_back(request);
        deepest = std::max(deepest, ++open_);
        if (shown.size() == 1)
            whileOpen_();
        --open_;
        return platform::MsgAnswer::No;
    }
    std::optional<QString> input(QWidget*, const platform::InputBoxRequest&) override { return std::nullopt; }

    std::vector<platform::MsgBoxRequest> shown;
    int deepest = 0;

  private:
    std::function<void()> whileOpen_;
    int open_ = 0;
};

} // namespace

class MailFailures : public MailCheckFixture {
  protected:
    // An account whose server is not there.
    void useClosedPort(const QString& password = u"secret"_s)
    {
        Mail().settings().txtHost = closedPort();
        Mail().settings().txtlogin = u"tester"_s;
        Mail().settings().txtPass = password;
    }
};

TEST_F(MailFailures, AnAutomaticCheckBoxesEachKindOfFailureOnceUntilACheckSucceeds)
{
    Pop3TestServer server;
    server.addMessage(message(1));
    useServer(server);
    MailSettings& s = Mail().settings();
    const QString goodHost = s.txtHost;
    // Each step: what the server field and password are, then how many boxes
    // the automatic checks have shown so far.
    const struct {
        const char* name;
        QString host, password;
        size_t boxesAfter;
    } steps[] = {
        {"closed port, first time", closedPort(), u"secret"_s, 1},
        {"closed port again", closedPort(), u"secret"_s, 1},
        {"closed port a third time", closedPort(), u"secret"_s, 1},
        {"another kind: login refused", goodHost, u"wrong"_s, 2},
        {"login refused again", goodHost, u"wrong"_s, 2},
        {"a good check", goodHost, u"secret"_s, 2},
        {"closed port after the good check", closedPort(), u"secret"_s, 3},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        s.txtHost = step.host;
        s.txtPass = step.password;
        dueTick();
        EXPECT_EQ(doubles.boxes.shown().size(), step.boxesAfter);
        EXPECT_FALSE(check().MailChecking);
    }
    for (const auto& box : doubles.boxes.shown())
        EXPECT_EQ(box.title, u"Error"_s);
}

TEST_F(MailFailures, AFailureShownNoMoreInABoxStaysInTheMailStatusAndTheTrayTip)
{
    form->tray()->GoSystemTray();
    useClosedPort();
    dueTick();
    dueTick();
    ASSERT_EQ(doubles.boxes.shown().size(), 1u);
    const QString status = form->mailStatus->text();
    EXPECT_TRUE(status.startsWith(u"Mail Status: Couldn't connect"_s)) << status.toStdString();
    EXPECT_TRUE(doubles.tray.lastTip.startsWith(TrayIcon::tipFor(form->statusCaption()) +
                                                u"\nMail Status: Couldn't connect"_s))
        << doubles.tray.lastTip.toStdString();
    EXPECT_EQ(debugLog().count(u"[E-Mail Notify] Check failed: Couldn't connect"_s), 2);
}

TEST_F(MailFailures, ACheckTheUserAskedForShowsItsFailureEveryTime)
{
    useClosedPort();
    dueTick();
    for (int i = 0; i < 3; ++i)
        dueTick(true);
    EXPECT_EQ(doubles.boxes.shown().size(), 4u);
    EXPECT_FALSE(check().CheckNow);
}

TEST_F(MailFailures, NoSecondBoxOpensWhileAFailureBoxIsOpen)
{
    BoxesThatLetThrough boxes([this] { dueTick(true); });
    platform::ScopedOverride<platform::MessageBoxes> boxesOverride(boxes);
    for (const char* which : {"empty password", "closed port"}) {
        SCOPED_TRACE(which);
        boxes.shown.clear();
        useClosedPort(which[0] == 'e' ? QString() : u"secret"_s);
        dueTick(true);
        EXPECT_EQ(boxes.deepest, 1);
        EXPECT_EQ(boxes.shown.size(), 1u);
    }
}

// The footer's count is the number of rows listed, whatever happened last.
TEST_F(MailFailures, TheFooterAlwaysCountsTheRowsTheListShows)
{
    Pop3TestServer server;
    for (int n = 1; n <= 3; ++n)
        server.addMessage(message(n));
    useServer(server);
    frmPop3& mailbox = Mail().mailbox();
    const QString goodHost = Mail().settings().txtHost;
    auto expectFooterMatches = [&](const char* step, const QString& note) {
        SCOPED_TRACE(step);
        const int rows = mailbox.lMessages->model()->rowCount();
        const QString footer = mailbox.Label1[1]->text();
        if (rows > 0)
            EXPECT_TRUE(footer.startsWith(u"%1 Message(s)   "_s.arg(rows))) << footer.toStdString();
        else
            EXPECT_FALSE(footer.contains(u"Message(s)"_s)) << footer.toStdString();
        EXPECT_TRUE(footer.endsWith(note)) << footer.toStdString();
    };
    dueTick();
    expectFooterMatches("after a check", u"Bytes Total"_s);
    selectRows({0});
    mailbox.mnuRead_Click();
    expectFooterMatches("after reading", u"Bytes Total"_s);
    Mail().settings().chkCfmDel = false;
    selectRows({1});
    mailbox.mnuDelete_Click();
    ASSERT_EQ(mailbox.lMessages->model()->rowCount(), 2);
    expectFooterMatches("after deleting", u"Message(s) Deleted."_s);
    Mail().settings().txtHost = closedPort();
    dueTick();
    expectFooterMatches("after a failed check", QString());
    // The last listing stays; the footer says the check failed.
    EXPECT_TRUE(mailbox.Label1[1]->text().contains(u"Check failed: Couldn't connect"_s));
    Mail().settings().txtHost = goodHost;
    dueTick();
    expectFooterMatches("after the next good check", u"Bytes Total"_s);
}

TEST_F(MailFailures, AMailCheckLeavesThePublishResultInTheStatusLine)
{
    QTemporaryDir site;
    home.writeFile(u"on.html"_s, "%status%");
    InstallPublishHooks();
    AttachPublishing(*form);
    LoadProfiles(*form);
    form->txtHost->setText(u"file://"_s + site.path());
    form->txtRemoteFile->setText(u"index.html"_s);
    form->File1->setText(u"on.html"_s);
    form->cmd_Online_Click();
    const QString published = form->ftpStatus->text();
    ASSERT_EQ(published, u"Status: Default is now Online"_s);

    Pop3TestServer server;
    server.addMessage(message(1));
    useServer(server);
    const struct {
        const char* name;
        QString host, mailStatus;
    } checks[] = {
        {"new mail", server.address(), u"Mail Status: New mail"_s},
        {"no new mail", server.address(), u"Mail Status: No New Mail"_s},
        {"a failure", closedPort(), u"Mail Status: Couldn't connect"_s},
    };
    for (const auto& c : checks) {
        SCOPED_TRACE(c.name);
        Mail().settings().txtHost = c.host;
        dueTick();
        EXPECT_EQ(form->ftpStatus->text(), published);
        EXPECT_TRUE(form->mailStatus->text().startsWith(c.mailStatus))
            << form->mailStatus->text().toStdString();
    }
}

TEST_F(MailFailures, ACheckTheUserAskedForIsNotRepeatedWhileItsBoxIsOpen)
{
    Pop3TestServer server;
    useServer(server);
    // No tick while the box is open is a new check asked for.
    BoxesThatLetThrough boxes([this] {
        for (int tick = 0; tick < 3; ++tick)
            check().Timer1_Timer();
    });
    platform::ScopedOverride<platform::MessageBoxes> boxesOverride(boxes);
    dueTick(true);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown.front().title, "Mail Checked");
    EXPECT_FALSE(check().CheckNow);
}
