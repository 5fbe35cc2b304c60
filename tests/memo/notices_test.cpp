#include "MemoFixture.h"

using Notices = MemoTest;

TEST_F(Notices, EveryMemoIsAnnouncedAndReplyBringsUpTheWaitingWindow)
{
    startServer();
    const struct {
        QByteArray form;
        bool away;
        QString summary, body;
    } cases[] = {{"NAME=Ann&MESSAGE=Hi+there&REPLY=NO", false, "Memo from Ann", "Hi there"},
                 {"NAME=%3Cb%3EBob&MESSAGE=" + QByteArray(300, 'x') + "&REPLY=YES", false,
                  "Memo from <b>Bob (waiting for your reply)", QString(119, u'x') + QChar(0x2026)},
                 {"NAME=&MESSAGE=gone&REPLY=YES", true, "Memo from a visitor", "gone"}};
    for (const auto& c : cases) {
        Memo().setAway(c.away);
        Visitor visitor(port);
        visitor.send(memoPost(c.form));
        ASSERT_TRUE(pumpUntil([&] { return doubles.notices.shown.size() == size_t(&c - cases + 1); }));
        const platform::Notification& n = doubles.notices.shown.back();
        EXPECT_EQ(n.summary + u'|' + n.body, c.summary + u'|' + c.body);
        EXPECT_EQ(n.actionLabel, c.summary.contains(u"reply") ? QStringLiteral("Reply") : QString());
        if (Memo().memoWindow()) {
            Memo().memoWindow()->hide();
            doubles.notices.pickLastAction();
            EXPECT_EQ(Memo().memoWindow()->isVisible(), !n.actionLabel.isEmpty());
            Memo().destroyMemoWindow();
        }
    }
    WriteIni(QStringLiteral("StartUp"), QStringLiteral("Desktop Notifications"), QStringLiteral("False"));
    Memo().setAway(false);
    exchange(memoPost("NAME=Cy&MESSAGE=quiet&REPLY=NO"));
    EXPECT_EQ(doubles.notices.shown.size(), std::size(cases));
}
