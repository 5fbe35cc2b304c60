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
        const char* newest;
        bool launch, newSound, noneSound;
        const char* clientPath;
        MsgAnswer answer;
        const char *boxText, *sound; // "" for none
        bool tray, shown, started;
        int lastCount;
        const char *lastDate, *status;
    };
    const char* oldMail = "No new mail\r\nYou have 3 old messages\r\n\r\nWould you like to see old mail?";
    const Row rows[] = {
        {"manual empty, sound", true, 0, "", false, true, true, "", MsgAnswer::Ok, "", "/snd/none.wav", false,
         false, false, 0, "D1", "Email Status: No New Mail"},
        {"manual empty, box", true, 0, "", false, true, false, "", MsgAnswer::Ok, "No new mail", "", false,
         false, false, 0, "D1", "Email Status: No New Mail"},
        {"manual old, yes", true, 4, "D1", true, true, true, "m", MsgAnswer::Yes, oldMail, "", false, true,
         false, 4, "D1", "Email Status: No New Mail, You have 3 old messages"},
        {"manual old, no", true, 4, "D1", false, false, false, "", MsgAnswer::No, oldMail, "", false, false,
         false, 4, "D1", "Email Status: No New Mail, You have 3 old messages"},
        {"manual new", true, 4, "D2", true, true, true, "m", MsgAnswer::Ok, "", "", false, true, false, 4,
         "D2", "Mail Status: New mail"},
        {"auto empty", false, 0, "", false, true, true, "", MsgAnswer::Ok, "", "", false, false, false, 3,
         "D1", "Mail Status: No New Mail"},
        {"auto old", false, 4, "D1", false, true, true, "", MsgAnswer::Ok, "", "", false, false, false, 3,
         "D1", "Mail Status: No New Mail"},
        {"auto new, launch", false, 4, "D2", true, true, true, "mailer --inbox", MsgAnswer::Ok, "", "", false,
         false, true, 4, "D2", "Mail Status: Checking Email"},
        {"auto new, sound", false, 4, "D2", false, true, true, "mailer", MsgAnswer::Ok, "", "/snd/new.wav",
         true, false, false, 4, "D2", "Mail Status: New mail"},
        {"auto new, quiet", false, 5, "'", false, false, true, "", MsgAnswer::Ok, "", "", true, false, false,
         5, "'", "Mail Status: New mail"},
    };
    frmPop3& mailbox = Mail().mailbox();
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        doubles.boxes.clear(), doubles.sound.played.clear(), doubles.desktop.started.clear();
        mailTray.remove(), mailbox.hide();
        MailSettings& s = Mail().settings();
        s.chkLnchEmail = r.launch;
        s.chkSound = {r.newSound, r.noneSound, false};
        s.txtBrowser = QString::fromLatin1(r.clientPath);
        if (r.answer != MsgAnswer::Ok) // an unused answer would stay queued
            doubles.boxes.setNextAnswer(r.answer);
        form->ftpStatus->setText(u"Mail Status: Checking Email"_s);
        check().CheckNow = r.manual, check().LastMailDate = "D1", check().LastMailCount = 3;
        check().reportCheck(r.count, r.newest, 3);

        const auto& boxes = doubles.boxes.shown();
        EXPECT_EQ(boxes.empty() ? QString() : boxes.front().text, QString::fromLatin1(r.boxText));
        EXPECT_EQ(boxes.empty() ? u"Mail Checked"_s : boxes.front().title, u"Mail Checked"_s);
        EXPECT_EQ(doubles.sound.played.value(0), QString::fromLatin1(r.sound));
        EXPECT_EQ(std::tuple(mailTray.present(), mailbox.isVisible(), doubles.desktop.started.size()),
                  std::tuple(r.tray, r.shown, r.started ? 1u : 0u));
        EXPECT_TRUE(!r.started || doubles.desktop.started[0].program + u'|' + // arguments apart, no shell
                                          doubles.desktop.started[0].arguments.join(u'|') ==
                                      u"mailer|--inbox"_s);
        EXPECT_EQ(std::tuple(check().LastMailCount, check().LastMailDate, form->ftpStatus->text()),
                  std::tuple(r.lastCount, QByteArray(r.lastDate), QString::fromLatin1(r.status)));
        EXPECT_FALSE(check().CheckNow);
        EXPECT_TRUE(!r.tray || mailbox.cmdControl[0]->isEnabled() == !s.txtBrowser.isEmpty());
    }
}

// The interval as typed decides the tick of the first check; an unusable
// one becomes "10". Empty account fields are named one by one.
TEST_F(CheckCycle, TicksCountToTheIntervalAndStopAtEmptyFields)
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
        doubles.boxes.clear();
        int ticks = 0;
        for (; doubles.boxes.shown().empty() && ticks < 2000; ++ticks)
            check().Timer1_Timer();
        EXPECT_EQ(ticks, i.minutes * 12);
        EXPECT_EQ(Mail().settings().txtCount, QString::fromLatin1(i.after));
    }
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

// A requested check waits while checking is off or the machine is off line,
// and runs on the first tick that allows it.
TEST_F(CheckCycle, ARequestWaitsForCheckingAndAnAddress)
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
