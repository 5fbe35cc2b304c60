#include "MailCheckFixture.h"

// Reading and deleting act on the message the user chose, found again by
// its unique id (or, on a server without UIDL, by its headers) when a phone
// or webmail removed other mail since the listing.
class MessageChosen : public MailCheckFixture {
  protected:
    // The same steps against dovecot and against the stand-in without UIDL.
    template <typename Steps> void onEveryServer(Steps steps)
    {
        {
            SCOPED_TRACE("dovecot, UIDL");
            Pop3TestServer server(true);
            useServer(server);
            steps(server);
        }
        {
            SCOPED_TRACE("no UIDL");
            Pop3NoUidlServer server;
            MailSettings& s = Mail().settings();
            s.txtHost = server.address(), s.txtlogin = u"tester"_s, s.txtPass = u"secret"_s;
            s.pop3Tls = u"off"_s;
            steps(server);
        }
    }
    template <typename Server> void fill(Server& server, int count)
    {
        for (int n = 1; n <= count; ++n)
            server.addMessage(message(n, "Message-ID: <m" + QByteArray::number(n) + "@example.org>\r\n"));
        dueTick();
        doubles.boxes.clear();
    }
};

TEST_F(MessageChosen, EachActionTakesTheChosenMessageAfterEarlierMailWentElsewhere)
{
    // Message 1 goes elsewhere after the listing; Message 3 was chosen. Read shows it;
    // the server keeps what the action left.
    const struct {
        const char* action;
        bool deleteOnRead;
        void (frmPop3::*click)();
        QStringList left;
    } rows[] = {
        {"read", false, &frmPop3::mnuRead_Click, {u"Message 2"_s, u"Message 3"_s, u"Message 4"_s}},
        {"delete", false, &frmPop3::mnuDelete_Click, {u"Message 2"_s, u"Message 4"_s}},
        {"read with delete on read", true, &frmPop3::mnuRead_Click, {u"Message 2"_s, u"Message 4"_s}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.action);
        onEveryServer([&](auto& server) {
            fill(server, 4);
            Mail().settings().chkCfmDel = false;
            Mail().settings().chkDelOnRead = r.deleteOnRead;
            selectRows({2});
            server.removeBehind(1);
            (Mail().mailbox().*r.click)();
            EXPECT_TRUE(doubles.boxes.shown().empty());
            EXPECT_EQ(server.subjects(), r.left);
            if (r.click == &frmPop3::mnuRead_Click) {
                EXPECT_EQ(Mail().composer().lblSubject->text(), u"Message 3"_s);
            }
        });
    }
}

TEST_F(MessageChosen, AMessageGoneFromTheServerIsSaidAndLeavesTheList)
{
    onEveryServer([&](auto& server) {
        fill(server, 3);
        selectRows({1});
        server.removeBehind(2);
        Mail().mailbox().mnuRead_Click();
        ASSERT_EQ(doubles.boxes.shown().size(), 1u);
        EXPECT_EQ(doubles.boxes.shown()[0].text, u"This message is no longer on the server"_s);
        EXPECT_EQ(column(2), (QStringList{u"Message 1"_s, u"Message 3"_s}));
        EXPECT_EQ(server.subjects(), (QStringList{u"Message 1"_s, u"Message 3"_s}));
        EXPECT_FALSE(Mail().composerIfLoaded() && Mail().composer().isVisible());
    });
}

TEST_F(MessageChosen, TheComposersDeleteRemovesTheMessageItShowsAfterRowsShift)
{
    Pop3TestServer server(true);
    useServer(server);
    fill(server, 4);
    Mail().settings().chkCfmDel = false;
    selectRows({2});
    Mail().mailbox().mnuRead_Click(); // message 3
    selectRows({0});
    Mail().mailbox().mnuDelete_Click(); // message 1: the rows below it move up
    Mail().composer().cmdControl_Click(2);
    EXPECT_EQ(server.subjects(), (QStringList{u"Message 2"_s, u"Message 4"_s}));
    EXPECT_EQ(column(2), (QStringList{u"Message 2"_s, u"Message 4"_s}));
}

TEST_F(MessageChosen, ACheckKeepsTheSelectionOfTheMessagesStillListed)
{
    Pop3TestServer server(true);
    useServer(server);
    fill(server, 4);
    selectRows({1, 3});
    const QVector<QByteArray> chosen = Mail().mailbox().selectedKeys();
    server.removeBehind(1);
    server.addMessage(message(5));
    dueTick();
    EXPECT_EQ(column(2).size(), 4);
    EXPECT_EQ(Mail().mailbox().selectedKeys(), chosen);
}

TEST_F(MessageChosen, ReadingAndDeletingAreRefusedWithAWordWhileACheckRuns)
{
    Pop3TestServer server(true);
    useServer(server);
    fill(server, 2);
    selectRows({0});
    Mail().settings().chkCfmDel = false;
    server.freeze();
    check().POP1().timeouts = {2, 2};
    QStringList refusals;
    QTimer::singleShot(200, [&] {
        EXPECT_TRUE(check().MailChecking);
        for (void (frmPop3::*action)() : {&frmPop3::mnuRead_Click, &frmPop3::mnuDelete_Click}) {
            doubles.boxes.clear();
            (Mail().mailbox().*action)();
            refusals << (doubles.boxes.shown().empty() ? QString() : doubles.boxes.shown()[0].text);
        }
    });
    dueTick(true);
    const QString word = u"The mailbox is being checked. Please try again when the check has finished."_s;
    EXPECT_EQ(refusals, (QStringList{word, word}));
}

TEST_F(MessageChosen, TheListStaysOnScreenWhileACheckRuns)
{
    Pop3TestServer server(true);
    useServer(server);
    fill(server, 3);
    server.freeze();
    check().POP1().timeouts = {2, 2};
    QStringList during;
    QTimer::singleShot(200, [&] { during = column(2); });
    dueTick();
    EXPECT_EQ(during, (QStringList{u"Message 1"_s, u"Message 2"_s, u"Message 3"_s}));
}
