#include "MailCheckFixture.h"

using RealServer = MailCheckFixture;

// Then a refused login and a server that stops answering end the check with their error.
TEST_F(RealServer, ChecksListEveryMessageTellNewFromOldAndFailuresEndTheCheck)
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

    dueTick();
    EXPECT_EQ(form->mailStatus->text(), u"Mail Status: No New Mail"_s);
    ASSERT_TRUE(mailTray.present());
    mailTray.send(platform::kTrayRightDoubleClick);
    EXPECT_TRUE(!mailTray.present() && Mail().mailbox().isVisible());
    for (const QString& line :
         {u"[E-Mail Notify] Checking Email"_s, u"[E-Mail Notify] You have 250 new messages"_s,
          u"[POP3] CLIENT: TOP 250 1"_s, u"[POP3] SERVER: +OK"_s})
        EXPECT_TRUE(debugLog().contains(line)) << line.toStdString();
    EXPECT_FALSE(debugLog().contains(server.password()));

    Mail().settings().txtPass = u"Wr0ng-Pa55"_s;
    check().POP1().timeouts = {3, 2};
    auto expectFailure = [&] {
        ASSERT_EQ(doubles.boxes.shown().size(), 1u);
        const platform::MsgBoxRequest box = doubles.boxes.shown()[0];
        const qsizetype colon = box.text.indexOf(u": "_s);
        EXPECT_EQ(box.title, u"Error"_s);
        EXPECT_GT(box.text.left(colon).toInt(), 0) << box.text.toStdString();
        EXPECT_EQ(form->mailStatus->text(), u"Mail Status: "_s + box.text.mid(colon + 2));
        EXPECT_FALSE(check().MailChecking || check().CheckNow);
        doubles.boxes.clear();
    };
    dueTick(true);
    expectFailure();
    EXPECT_FALSE(debugLog().contains(u"Wr0ng-Pa55"_s));

    // A server that stops answering costs the time-out; the window keeps going.
    Mail().settings().txtPass = server.password();
    server.freeze();
    int ticks = 0;
    QTimer heartbeat;
    QObject::connect(&heartbeat, &QTimer::timeout, [&] { ++ticks; }), heartbeat.start(20);
    dueTick(true);
    expectFailure();
    EXPECT_GT(ticks, 10);
}

TEST_F(RealServer, ReadingAMegabyteShowsProgressCutsTheBodyAndReplyCanDelete)
{
    Pop3TestServer server;
    QByteArray body;
    for (int i = 0; body.size() < 1024 * 1024; ++i)
        body += QByteArray::number(i).rightJustified(6, '0') + ' ' + QByteArray(740, 'x') + "\r\n";
    server.addMessage(message(1, "Content-Type: text/plain; charset=utf-8\r\n", body)
                          .replace("Subject: Message 1", "Subject: =?UTF-8?Q?Gr=C3=BC=C3=9Fe?="));
    server.addMessage(message(2));
    useServer(server);
    dueTick();
    QVector<int> progress;
    QObject::connect(&check(), &MailCheck::progressChanged, [&](int p) { progress << p; });
    frmPop3& mailbox = Mail().mailbox();
    mailbox.lMessages[0]->setCurrentRow(0);

    mailbox.mnuRead_Click();
    ASSERT_TRUE(doubles.boxes.shown().empty());
    ASSERT_GT(progress.size(), 100);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_GE(progress.last(), 90);
    EXPECT_TRUE(mailbox.Dstatus->styleSheet().contains(u"white"_s) && !mailbox.Dstatus->isVisible());
    // Cut after decoding, the marker on a line of its own.
    EXPECT_EQ(Mail().globals.Read.text,
              QString::fromLatin1(body.left(45000)) + u"\r\n<--- Message Too Long to Display --->\r\n"_s);
    frmMail& composer = Mail().composer();
    EXPECT_EQ(composer.lblSubject->text(), u"Grüße"_s);
    EXPECT_TRUE(composer.MessageText->toPlainText().startsWith(u"000000 xxx"_s));
    EXPECT_EQ(server.messageCount(), 2); // reading does not delete unless asked

    Mail().settings().chkDelOnReply = true;
    mailbox.lMessages[0]->setCurrentRow(1);
    mailbox.mnuReply_Click();
    EXPECT_TRUE(server.messageCount() == 1 && check().LastMailCount == 1);
    EXPECT_EQ(column(2), QStringList{u"Grüße"_s});
}

// Then the same mailbox over POP3S with a throwaway certificate.
TEST_F(RealServer, DeletingRemovesExactlyTheMessagesTheServerGaveUpAndPop3sWorks)
{
    Pop3TestServer server(true);
    for (int n = 1; n <= 5; ++n)
        server.addMessage(message(n));
    useServer(server);
    dueTick();
    frmPop3& mailbox = Mail().mailbox();
    mailbox.show();
    QListWidget *first = mailbox.lMessages[0], *subjects = mailbox.lMessages[2];
    QTest::mouseClick(subjects->viewport(), Qt::LeftButton, {},
                      subjects->visualItemRect(subjects->item(1)).center());
    EXPECT_EQ(first->currentRow(), 1); // a click in any column selects the row in all
    QTest::mouseClick(first->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      first->visualItemRect(first->item(3)).center());
    EXPECT_EQ(first->selectedItems().size(), 2);
    doubles.boxes.setNextAnswer(platform::MsgAnswer::Yes);
    Mail().settings().chkSound[2] = true;

    mailbox.mnuDelete_Click();
    ASSERT_EQ(doubles.boxes.shown().size(), 1u);
    EXPECT_EQ(doubles.boxes.shown()[0].title + QString::number(server.messageCount()),
              u"Deleting Messages From Server3"_s);
    EXPECT_EQ(column(2), (QStringList{u"Message 1"_s, u"Message 3"_s, u"Message 5"_s}));
    EXPECT_EQ(check().LastMailCount, 3);
    EXPECT_EQ(mailbox.Label1[1]->text().section(u"   "_s, -1), u"Message(s) Deleted."_s);
    EXPECT_EQ(doubles.sound.played, QStringList{u"/snd/deleted.wav"_s});

    Mail().settings().chkCfmDel = false;
    doubles.boxes.clear();
    first->setCurrentRow(0);
    mailbox.mnuDelete_Click();
    EXPECT_TRUE(doubles.boxes.shown().empty() && server.messageCount() == 2);
    EXPECT_EQ(column(2), (QStringList{u"Message 3"_s, u"Message 5"_s}));

    // A message the server does not have: nothing is shown as deleted.
    EXPECT_FALSE(mailbox.DeleteMessage(9, false));
    ASSERT_EQ(doubles.boxes.shown().size(), 1u);
    EXPECT_EQ(doubles.boxes.shown()[0].title + doubles.boxes.shown()[0].text.left(49),
              u"Message not deletedAn error occurred while deleting message.\r\nError "_s);
    EXPECT_TRUE(column(2).size() == 2 && check().LastMailCount == 2 && mailbox.lMessages[0]->isEnabled());
    EXPECT_TRUE(debugLog().contains(u"[E-Mail] Unable to delete message.. Error: "_s));

    mailbox.close(); // the close box only hides; Close also takes the icon away
    EXPECT_FALSE(mailbox.isVisible());
    mailTray.add({}, u"You have mail"_s);
    mailbox.show();
    mailbox.mnuClose_Click();
    EXPECT_FALSE(mailbox.isVisible() || mailTray.present());

    SCOPED_TRACE("POP3S");
    doubles.boxes.clear();
    Mail().settings().txtHost = u"pop3s://127.0.0.1:%1"_s.arg(server.tlsPort());
    dueTick(); // the certificate is checked by default, and nobody signed it
    ASSERT_EQ(doubles.boxes.shown().size(), 1u);
    EXPECT_EQ(doubles.boxes.shown()[0].title, u"Error"_s);
    Mail().settings().tlsVerify = false;
    dueTick();
    dueTick();
    EXPECT_EQ(form->mailStatus->text(), u"Mail Status: No New Mail"_s);
    EXPECT_EQ(column(2), (QStringList{u"Message 3"_s, u"Message 5"_s}));
    EXPECT_EQ(debugLog().count(u"certificate checks are switched off"_s), 1);
}
