#include "MemoFixture.h"

using Notices = MemoTest;

TEST_F(Notices, EveryMemoIsAnnouncedAndReplyBringsUpTheWaitingWindow)
{
    startServer();
    const struct {
        QByteArray form;
        bool away;
        QString summary;
        QString body;
        bool action;
    } cases[] = {
        {"NAME=Ann&MESSAGE=Hi+there&REPLY=NO", false, "Memo from Ann", "Hi there", false},
        {"NAME=%3Cb%3EBob&MESSAGE=" + QByteArray(300, 'x') + "&REPLY=YES", false,
         "Memo from <b>Bob (waiting for your reply)", QString(119, u'x') + QChar(0x2026), true},
        {"NAME=&MESSAGE=gone&REPLY=YES", true, "Memo from a visitor", "gone", false},
    };
    for (const auto& c : cases) {
        Memo().setAway(c.away);
        const size_t before = doubles.notices.shown.size();
        Visitor visitor(port);
        visitor.send(memoPost(c.form));
        ASSERT_TRUE(pumpUntil([&] { return doubles.notices.shown.size() > before; })) << c.summary.toStdString();
        const platform::Notification& n = doubles.notices.shown.back();
        EXPECT_EQ(n.summary, c.summary);
        EXPECT_EQ(n.body, c.body);
        EXPECT_EQ(bool(n.onAction), c.action);
        if (c.action) {
            EXPECT_EQ(n.actionLabel, QStringLiteral("Reply"));
            Memo().memoWindow()->hide();
            doubles.notices.pickLastAction();
            EXPECT_TRUE(Memo().memoWindow()->isVisible());
            Memo().destroyMemoWindow();
        }
    }
    WriteIni(QStringLiteral("StartUp"), QStringLiteral("Desktop Notifications"), QStringLiteral("False"));
    Memo().setAway(false);
    exchange(memoPost("NAME=Cy&MESSAGE=quiet&REPLY=NO"));
    EXPECT_EQ(doubles.notices.shown.size(), std::size(cases));
}
