#include "MailCheckFixture.h"

// What counts as new mail, and what a check costs the server, by unique id.
class NewMail : public MailCheckFixture {
  protected:
    int topsSinceMark() const { return debugLog().mid(mark_).count(u"[POP3] CLIENT: TOP "_s); }
    void mark() { mark_ = debugLog().size(); }

    // Messages 1..count on server, checked once.
    void checkedWith(Pop3TestServer& server, int count)
    {
        for (int n = 1; n <= count; ++n)
            server.addMessage(message(n));
        useServer(server);
        dueTick();
    }

  private:
    qsizetype mark_ = 0;
};

// The nine messages listed before cost no TOP.
TEST_F(NewMail, OnlyNewMessagesAreAskedForTheirHeaders)
{
    Pop3TestServer server(true);
    checkedWith(server, 10);
    server.removeBehind(3);
    server.addMessage(message(11));
    server.addMessage(message(12));
    mark();
    dueTick();
    EXPECT_EQ(topsSinceMark(), 2);
    EXPECT_EQ(column(2).size(), 11);
    EXPECT_EQ(column(2).mid(1, 2), (QStringList{u"Message 2"_s, u"Message 4"_s}));
    EXPECT_EQ(column(2).last(), u"Message 12"_s);
}

TEST_F(NewMail, TwoMessagesWithTheSameDateAreBothNew)
{
    Pop3TestServer server(true);
    server.addMessage(message(1));
    useServer(server);
    dueTick();
    ASSERT_EQ(form->mailStatus->text(), u"Mail Status: New mail"_s);
    dueTick();
    ASSERT_EQ(form->mailStatus->text(), u"Mail Status: No New Mail"_s);
    // The same Date to the second as the message already announced.
    server.addMessage(message(1).replace("Subject: Message 1", "Subject: Twin"));
    dueTick();
    EXPECT_EQ(form->mailStatus->text(), u"Mail Status: New mail"_s);
    EXPECT_TRUE(debugLog().contains(u"You have 2 messages, 1 new"_s));
}

TEST_F(NewMail, ARestartAnnouncesNoMailAnnouncedBefore)
{
    Pop3TestServer server(true);
    checkedWith(server, 3);
    ASSERT_TRUE(mailTray.present());
    mailTray.remove();
    Mail().reset(); // a restarted program: the same program folder
    openMainWindow();
    useServer(server);
    dueTick();
    EXPECT_EQ(form->mailStatus->text(), u"Mail Status: No New Mail"_s);
    EXPECT_FALSE(mailTray.present());
    server.addMessage(message(4));
    dueTick();
    EXPECT_TRUE(mailTray.present());
    EXPECT_TRUE(debugLog().contains(u"You have 4 messages, 1 new"_s));
}

TEST_F(NewMail, ANotificationCountsTheNewMessagesAndNamesTheNewest)
{
    Pop3TestServer server(true);
    checkedWith(server, 3);
    doubles.notices.shown.clear();
    mailTray.remove();
    server.addMessage(message(4));
    server.addMessage(message(5));
    dueTick();
    ASSERT_EQ(doubles.notices.shown.size(), 1u);
    EXPECT_EQ(doubles.notices.shown.front().summary, u"2 new mails"_s);
    EXPECT_EQ(doubles.notices.shown.front().body, u"From Sender 5 <s5@example.org>: Message 5"_s);
}
