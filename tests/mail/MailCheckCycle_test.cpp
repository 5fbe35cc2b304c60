#include "MailCheckFixture.h"

using platform::MsgAnswer;
using CheckCycle = MailCheckFixture;

// Every way a finished check can be reported, from the counters and
// settings it starts with to what the user sees and what is remembered.
TEST_F(CheckCycle, TheReportOfAFinishedCheckFollowsItsCase)
{
    struct Row {
        const char* name;
        bool manual;
        int count;
        int fresh;                        // messages never announced before
        bool launch, newSound, noneSound; // the settings
        const char* clientPath;
        MsgAnswer answer;
        const char *boxText, *sound; // "" for none
        bool tray, shown, started;
        int lastCount;
        const char* status;
    };
    const auto Ok = MsgAnswer::Ok, Yes = MsgAnswer::Yes, No = MsgAnswer::No;
    const char* oldMail = "No new mail\r\nYou have 3 old messages\r\n\r\nWould you like to see old mail?";
    const char *eNone = "Email Status: No New Mail",
               *eOld = "Email Status: No New Mail, You have 3 old messages",
               *mNone = "Mail Status: No New Mail", *mNew = "Mail Status: New mail";
    const Row rows[] = {
        {"manual empty, sound", 1, 0, 0, 0, 1, 1, "", Ok, "", "/snd/none.wav", 0, 0, 0, 0, eNone},
        {"manual empty, box", 1, 0, 0, 0, 1, 0, "", Ok, "No new mail", "", 0, 0, 0, 0, eNone},
        {"manual old, yes", 1, 4, 0, 1, 1, 1, "m", Yes, oldMail, "", 0, 1, 0, 4, eOld},
        {"manual old, no", 1, 4, 0, 0, 0, 0, "", No, oldMail, "", 0, 0, 0, 4, eOld},
        {"manual new", 1, 4, 2, 1, 1, 1, "m", Ok, "", "", 0, 1, 0, 4, mNew},
        {"auto empty", 0, 0, 0, 0, 1, 1, "", Ok, "", "", 0, 0, 0, 3, mNone},
        {"auto old", 0, 4, 0, 0, 1, 1, "", Ok, "", "", 0, 0, 0, 3, mNone},
        {"auto new, launch", 0, 4, 2, 1, 1, 1, "mailer --inbox", Ok, "", "", 0, 0, 1, 4,
         "Mail Status: Checking Email"},
        {"auto new, sound", 0, 4, 2, 0, 1, 1, "mailer", Ok, "", "/snd/new.wav", 1, 0, 0, 4, mNew},
        {"auto new, quiet", 0, 5, 1, 0, 0, 1, "", Ok, "", "", 1, 0, 0, 5, mNew},
    };
    frmPop3& mailbox = Mail().mailbox();
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        doubles.boxes.clear();
        doubles.sound.played.clear();
        doubles.desktop.started.clear();
        mailTray.remove();
        mailbox.hide();
        MailSettings& s = Mail().settings();
        s.chkLnchEmail = r.launch;
        s.chkSound = {r.newSound, r.noneSound, false};
        s.txtBrowser = QString::fromLatin1(r.clientPath);
        if (r.answer != MsgAnswer::Ok) // an unused answer would stay queued
            doubles.boxes.setNextAnswer(r.answer);
        form->setMailStatus(u"Mail Status: Checking Email"_s);
        check().CheckNow = r.manual, check().LastMailCount = 3;
        check().reportCheck(r.count, r.fresh, 3);

        const auto& boxes = doubles.boxes.shown();
        EXPECT_EQ(boxes.empty() ? QString() : boxes.front().text, QString::fromLatin1(r.boxText));
        EXPECT_EQ(boxes.empty() ? u"Mail Checked"_s : boxes.front().title, u"Mail Checked"_s);
        EXPECT_EQ(doubles.sound.played.value(0), QString::fromLatin1(r.sound));
        EXPECT_EQ(std::tuple(mailTray.present(), mailbox.isVisible(), doubles.desktop.started.size()),
                  std::tuple(r.tray, r.shown, r.started ? 1u : 0u));
        EXPECT_TRUE(!r.started || doubles.desktop.started[0].program + u'|' + // arguments apart, no shell
                                          doubles.desktop.started[0].arguments.join(u'|') ==
                                      u"mailer|--inbox"_s);
        EXPECT_EQ(std::tuple(check().LastMailCount, form->mailStatus->text()),
                  std::tuple(r.lastCount, QString::fromLatin1(r.status)));
        EXPECT_FALSE(check().CheckNow);
        EXPECT_TRUE(!r.tray || mailbox.cmdControl[0]->isEnabled() == !s.txtBrowser.isEmpty());
    }
}

// A requested check waits while checking is off or the machine is off line,
// and runs on the first tick that allows it.
TEST_F(CheckCycle, ARequestedCheckWaitsForCheckingOnAndAUsableAddress)
{
    int lookups = 0, refreshes = 0;
    Hooks().startSock = [&] { ++lookups; };
    Hooks().updateSock = [&] { ++refreshes; };
    MailSettings& s = Mail().settings();
    s.chkMail = false;
    check().CheckNow = true;
    for (int i = 0; i < 14; ++i)
        check().Timer1_Timer();
    EXPECT_EQ(refreshes, 2); // every seventh tick, checking on or off
    EXPECT_TRUE(check().MailTicks == 0 && check().CheckNow);

    s.chkMail = true;
    for (const char* address : {"0.0.0.0", ""}) {
        Core().LocalIP = QString::fromLatin1(address);
        check().Timer1_Timer();
        EXPECT_TRUE(doubles.boxes.shown().empty() && check().CheckNow) << address;
    }
    EXPECT_EQ(lookups, 1); // only a missing or loopback address is looked up again
    Core().LocalIP = u"192.0.2.7"_s;
    check().Timer1_Timer();
    ASSERT_EQ(doubles.boxes.shown().size(), 1u); // the account is still empty
    EXPECT_FALSE(check().CheckNow);
}

// The interval as typed decides the tick of the first check; an unusable one becomes "10".
TEST_F(CheckCycle, TheFirstCheckIsDueAfterTheIntervalAsTyped)
{
    const struct {
        const char *typed, *after;
        int minutes;
    } intervals[] = {
        {"", "10", 10}, {"0", "10", 10}, {"abc", "10", 10}, {"-4", "10", 10}, {" 3 min", " 3 min", 3}};
    for (const auto& i : intervals) {
        SCOPED_TRACE(i.typed);
        check().MailTicks = 0;
        Mail().settings().txtCount = QString::fromLatin1(i.typed);
        // The empty account is boxed only once; each due check still says so in the mail status.
        form->setMailStatus(QString());
        int ticks = 0;
        for (; form->mailStatus->text().isEmpty() && ticks < 2000; ++ticks)
            check().Timer1_Timer();
        EXPECT_EQ(ticks, i.minutes * 12);
        EXPECT_EQ(Mail().settings().txtCount, QString::fromLatin1(i.after));
    }
}

TEST_F(CheckCycle, EmptyAccountFieldsAreNamedOneByOne)
{
    MailSettings& s = Mail().settings();
    const std::pair<QString*, const char*> blanks[] = {{&s.txtHost, "POP3 Host Name Required"},
                                                       {&s.txtlogin, "POP3 Login Name Required"},
                                                       {&s.txtPass, "POP3 Password Required"}};
    for (const auto& b : blanks) {
        doubles.boxes.clear();
        dueTick(true);
        ASSERT_EQ(doubles.boxes.shown().size(), 1u);
        EXPECT_EQ(doubles.boxes.shown()[0].title + u'|' + doubles.boxes.shown()[0].text,
                  kProgramName + u"|Please fill in the blanks.. "_s + QString::fromLatin1(b.second));
        EXPECT_FALSE(check().CheckNow);
        *b.first = u"filled"_s;
    }
}

TEST_F(CheckCycle, AMailProgramThatDoesNotStartIsToldAndTheMailStillAnnounced)
{
    MailSettings& s = Mail().settings();
    s.chkLnchEmail = true;
    s.chkSound = {true, false, false};
    s.txtBrowser = u"/nowhere/mailer"_s;
    doubles.desktop.succeed = false;
    check().reportCheck(4, 1, 3);
    EXPECT_TRUE(mailTray.present()) << "the new mail is shown by the program itself";
    EXPECT_EQ(doubles.sound.played.value(0), "/snd/new.wav");
    EXPECT_EQ(form->mailStatus->text(), "Mail Status: New mail");
    ASSERT_EQ(doubles.notices.shown.size(), 1u);
    EXPECT_EQ(doubles.notices.shown.front().summary, "Mail program not started");
    EXPECT_TRUE(doubles.notices.shown.front().body.contains("/nowhere/mailer"));
}
