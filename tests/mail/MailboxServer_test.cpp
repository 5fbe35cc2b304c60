#include "MailCheckFixture.h"

using RealServer = MailCheckFixture;

TEST_F(RealServer, ACheckListsEveryMessageDecodedInServerOrder)
{
    Pop3TestServer server;
    server.addMessage("From: =?UTF-8?B?SsO2cmc=?= <j@example.org>\r\n\r\nNo subject, no date.\r\n");
    for (int n = 2; n <= 250; ++n)
        server.addMessage(message(n));
    useServer(server);

    dueTick();
    EXPECT_FALSE(check().MailChecking);
    EXPECT_EQ(form->mailStatus->text(), u"Mail Status: New mail"_s);
    EXPECT_EQ(check().LastMailCount, 250);
    const QStringList from = column(0), dates = column(1), subjects = column(2);
    ASSERT_EQ(from.size(), 250);
    EXPECT_EQ(from[0], u"Jörg <j@example.org>"_s);
    EXPECT_EQ(dates[0], u"'"_s); // no date and no subject both show as "'"
    EXPECT_EQ(subjects[0], dates[0]);
    EXPECT_EQ(subjects[249], u"Message 250"_s);
    EXPECT_TRUE(Mail().mailbox().Label1[1]->text().contains(
        QRegularExpression(u"^250 Message\\(s\\)   [1-9]\\d+ Bytes Total$"_s)));
    EXPECT_TRUE(debugLog().contains(u"[E-Mail Notify] You have 250 messages, 250 new"_s));
    EXPECT_FALSE(debugLog().contains(server.password()));
}

// Its text cut for display: ReadRealMail.AFiveMegabyteMessageIsReadWholeAndItsTextCutCleanly.
TEST_F(RealServer, ReadingAMegabyteShowsItsProgress)
{
    Pop3TestServer server;
    const QByteArray body = QByteArray(740, 'x').append("\r\n").repeated(1420); // a megabyte
    server.addMessage(message(1, "Content-Type: text/plain; charset=utf-8\r\n", body));
    useServer(server);
    dueTick();
    QVector<int> progress;
    QObject::connect(&check(), &MailCheck::progressChanged, [&](int p) { progress << p; });
    frmPop3& mailbox = Mail().mailbox();
    selectRows({0});

    mailbox.mnuRead_Click();
    ASSERT_TRUE(doubles.boxes.shown().empty());
    ASSERT_GT(progress.size(), 5);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_GE(progress.last(), 90);
    EXPECT_FALSE(mailbox.Dstatus->isVisible());
}

TEST_F(RealServer, ReplyingWithDeleteOnReplyDeletesTheMessageAnswered)
{
    Pop3TestServer server;
    for (int n = 1; n <= 2; ++n)
        server.addMessage(message(n));
    useServer(server);
    dueTick();
    Mail().settings().chkDelOnReply = true;
    selectRows({1});
    Mail().mailbox().mnuReply_Click();
    EXPECT_EQ(server.subjects(), QStringList{u"Message 1"_s});
    EXPECT_EQ(check().LastMailCount, 1);
    EXPECT_EQ(column(2), QStringList{u"Message 1"_s});
}

TEST_F(RealServer, DeletingSeveralMessagesRemovesExactlyThoseTheServerGaveUp)
{
    Pop3TestServer server(true);
    for (int n = 1; n <= 5; ++n)
        server.addMessage(message(n));
    useServer(server);
    dueTick();
    frmPop3& mailbox = Mail().mailbox();
    selectRows({1, 3});
    doubles.boxes.setNextAnswer(platform::MsgAnswer::Yes);
    Mail().settings().chkSound[2] = true;

    mailbox.mnuDelete_Click();
    ASSERT_EQ(doubles.boxes.shown().size(), 1u);
    EXPECT_EQ(doubles.boxes.shown()[0].title, u"Deleting Messages From Server"_s);
    EXPECT_EQ(server.subjects(), (QStringList{u"Message 1"_s, u"Message 3"_s, u"Message 5"_s}));
    EXPECT_EQ(column(2), (QStringList{u"Message 1"_s, u"Message 3"_s, u"Message 5"_s}));
    EXPECT_EQ(check().LastMailCount, 3);
    EXPECT_EQ(mailbox.Label1[1]->text().section(u"   "_s, -1), u"Message(s) Deleted."_s);
    EXPECT_EQ(doubles.sound.played, QStringList{u"/snd/deleted.wav"_s});
}

TEST_F(RealServer, Pop3sChecksTheServersCertificateUnlessTheUserSwitchedThatOff)
{
    Pop3TestServer server(true);
    server.addMessage(message(1));
    useServer(server);
    Mail().settings().txtHost = u"pop3s://127.0.0.1:%1"_s.arg(server.tlsPort());
    Mail().settings().tlsVerify = true;
    dueTick(); // nobody signed the throwaway certificate
    ASSERT_EQ(doubles.boxes.shown().size(), 1u);
    EXPECT_EQ(doubles.boxes.shown()[0].title, u"Error"_s);
    Mail().settings().tlsVerify = false;
    dueTick();
    dueTick();
    EXPECT_EQ(column(2), QStringList{u"Message 1"_s});
    EXPECT_EQ(debugLog().count(u"certificate checks are switched off"_s), 1);
}

TEST_F(RealServer, CloseHidesTheMailboxAndTakesTheMailIconAway)
{
    frmPop3& mailbox = Mail().mailbox();
    mailbox.show();
    mailbox.close(); // the close box only hides
    EXPECT_FALSE(mailbox.isVisible());
    mailTray.add({}, u"You have mail"_s);
    mailbox.show();
    mailbox.mnuClose_Click();
    EXPECT_FALSE(mailbox.isVisible() || mailTray.present());
}

TEST_F(RealServer, AClickOnAHeadingSortsTheListByThatColumn)
{
    Pop3TestServer server;
    const char* dates[] = {"Tue, 8 Dec 2026 09:00:00 +0000", "Mon, 7 Dec 2026 23:00:00 -0500",
                           "Sun, 6 Dec 2026 12:00:00 +0100 (CET)"};
    const char* subjects[] = {"b second", "C third", "a first"};
    for (int n = 0; n < 3; ++n)
        server.addMessage("From: x@example.org\r\nDate: " + QByteArray(dates[n]) +
                          "\r\nSubject: " + QByteArray(subjects[n]) + "\r\n\r\nText.\r\n");
    useServer(server);
    dueTick();
    QTableView* list = Mail().mailbox().lMessages;
    const struct {
        int column;
        Qt::SortOrder order;
        QStringList subjects;
    } sorts[] = {
        {1, Qt::AscendingOrder, {"a first", "C third", "b second"}}, // 7 Dec 23:00 -0500 is 8 Dec 04:00 UTC
        {1, Qt::DescendingOrder, {"b second", "C third", "a first"}},
        {2, Qt::AscendingOrder, {"a first", "b second", "C third"}},
    };
    for (const auto& s : sorts) {
        list->sortByColumn(s.column, s.order);
        EXPECT_EQ(column(2), s.subjects) << s.column << ' ' << s.order;
    }
}
