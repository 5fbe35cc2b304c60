#include "platform/Pop3Client.h"
#include "support/MailServers.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using platform::MailTls;

namespace {

// A client logged into a fresh server, with everything it reported.
struct Pop3Session {
    explicit Pop3Session(bool tls = false) : server(tls)
    {
        client.host = server.address();
        client.user = server.user();
        client.password = server.password();
        using C = platform::Pop3Client;
        QObject::connect(&client, &C::PITrail,
                         [this](int type, const QString& t) { trail << u"%1 %2"_s.arg(type).arg(t); });
        QObject::connect(&client, &C::Header,
                         [this](const QByteArray& name, const QByteArray& v) { headers << name + ": " + v; });
        QObject::connect(&client, &C::Transfer, [this](qint64, const QByteArray& l) { body << l; });
        QObject::connect(&client, &C::Error, [this](int, const QString& t) { errors << t; });
    }
    QByteArrayList fetch(int n)
    {
        headers.clear();
        body.clear();
        return client.retrieve(n) ? headers : QByteArrayList{"failed"};
    }

    Pop3TestServer server;
    platform::Pop3Client client;
    QStringList trail, errors;
    QByteArrayList headers, body;
};

} // namespace

// A first message with folded headers, 8-bit bytes, a dotted and a very
// long line, then 249 small ones; their sizes as the server counts them.
struct FilledMailbox : Pop3Session {
    FilledMailbox() : Pop3Session(true)
    {
        server.addMessage(first);
        sizes << 0 << first.size();
        for (int i = 2; i <= 250; ++i) {
            const QByteArray mail =
                "Subject: number " + QByteArray::number(i) + "\r\n\r\n" + QByteArray(i, 'x');
            server.addMessage(mail + "\r\n");
            sizes << mail.size() + 2;
        }
    }
    const QByteArray longLine = QByteArray(200000, 'L');
    const QByteArray first = "From: Ann <ann@example.org>\r\nSubject: folded\r\n  across\tlines\r\n"
                             "X-Eight: caf\xe9 \xff\r\n\r\n.dotted\r\n" +
                             longLine + "\r\n\r\nlast\r\n";
    const QByteArrayList headers{"From: Ann <ann@example.org>", "Subject: folded  across\tlines",
                                 "X-Eight: caf\xe9 \xff"};
    QList<qint64> sizes;
};

TEST(Pop3Client, ARefusedLoginIsOneClearErrorAndThePasswordNeverReachesTheTrail)
{
    Pop3Session s(true);
    s.client.password = u"wrong-password"_s;
    EXPECT_FALSE(s.client.connectAndLogin());
    ASSERT_EQ(s.errors.size(), 1);
    EXPECT_TRUE(s.errors[0].contains(u"Login refused"_s) && s.errors[0].contains(u"-ERR"_s))
        << s.errors[0].toStdString();
    EXPECT_FALSE(s.client.connected());
    // What goes over the wire for the login never reaches the trail.
    const QString wire = QString::fromLatin1(QByteArray("\0tester\0wrong-password", 22).toBase64());
    for (const QString& line : s.trail)
        EXPECT_FALSE(line.contains(u"wrong-password"_s) || line.contains(wire)) << line.toStdString();
    EXPECT_TRUE(s.trail.filter(u"**********"_s).size() >= 1) << s.trail.join(u'\n').toStdString();
}

TEST(Pop3Client, AnUnusableAddressIsOneError)
{
    Pop3Session s;
    for (const QString& host :
         {u"bad host"_s, u"imap://127.0.0.1"_s, u"127.0.0.1:%1"_s.arg(FreeLoopbackPort())}) {
        s.client.host = host;
        s.errors.clear();
        EXPECT_FALSE(s.client.connectAndLogin());
        EXPECT_EQ(s.errors.size(), 1) << host.toStdString();
    }
}

TEST(Pop3Client, OneConnectionListsEveryMessageWithItsSize)
{
    FilledMailbox s;
    ASSERT_TRUE(s.client.connectAndLogin()) << s.errors.join(u'\n').toStdString();
    ASSERT_EQ(s.client.messageCount(), 250);
    qint64 total = 0;
    for (int i = 1; i <= 250; ++i) {
        EXPECT_EQ(s.client.messageSize(i), s.sizes[i]);
        total += s.sizes[i];
        EXPECT_TRUE(i == 1 || s.fetch(i) == QByteArrayList{"Subject: number " + QByteArray::number(i)}) << i;
    }
    EXPECT_EQ(s.client.totalSize(), total);
}

TEST(Pop3Client, HeadersAreUnfoldedAndBodyLinesStopAtTheLineLimit)
{
    FilledMailbox s;
    ASSERT_TRUE(s.client.connectAndLogin());
    const QByteArrayList lines{".dotted", s.longLine, "", "last"};
    for (int limit : {0, 1, 3, 1500}) {
        SCOPED_TRACE(limit);
        s.client.lineLimit = limit;
        EXPECT_EQ(s.fetch(1), s.headers);
        EXPECT_EQ(s.body, lines.mid(0, limit));
    }
}

TEST(Pop3Client, AMessageNumberTheServerDoesNotHaveFailsAndTheSessionGoesOn)
{
    FilledMailbox s;
    ASSERT_TRUE(s.client.connectAndLogin());
    for (int missing : {0, 251})
        EXPECT_TRUE(s.fetch(missing) == QByteArrayList{"failed"} && !s.errors.isEmpty()) << missing;
    EXPECT_EQ(s.fetch(1), s.headers);
}

TEST(Pop3Client, DeletedMessagesLeaveTheServerAtQuitNotBefore)
{
    FilledMailbox s;
    ASSERT_TRUE(s.client.connectAndLogin());
    ASSERT_EQ(s.fetch(1), s.headers);
    ASSERT_TRUE(s.client.remove(2) && s.client.remove(4) && s.client.remove(250));
    EXPECT_EQ(s.fetch(2), QByteArrayList{"failed"}); // deleted, though it was read
    EXPECT_EQ(s.fetch(1), s.headers);
    EXPECT_EQ(s.server.messageCount(), 250);
    s.errors.clear();
    s.client.quit();
    EXPECT_TRUE(s.errors.isEmpty() && s.server.messageCount() == 247 && !s.client.connected());
    EXPECT_EQ(s.trail.count(u"2 Connected."_s), 1);
    EXPECT_EQ(s.trail.last(), u"2 Disconnected."_s);
    EXPECT_TRUE(s.client.lastReply().startsWith(u"+OK"_s)) << s.client.lastReply().toStdString();
}

// Frozen before the login: RealServer.AServerThatStopsAnswering...
TEST(Pop3Client, AServerFrozenAfterTheLoginCostsATimeOut)
{
    Pop3Session s;
    s.server.addMessage("Subject: one\r\n\r\nx\r\n");
    s.client.timeouts = {2, 2};
    ASSERT_TRUE(s.client.connectAndLogin());
    s.server.freeze();
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(s.client.retrieve(1));
    EXPECT_LT(clock.elapsed(), 8000);
    EXPECT_EQ(s.errors.size(), 1);
}

TEST(Pop3Client, RetrievingAWholeMessageGivesItsBytesWithDotsRestored)
{
    Pop3Session s;
    const QByteArray message = "Subject: dots\r\n\r\n.leading dot\r\n..two\r\nend\r\n";
    s.server.addMessage(message);
    ASSERT_TRUE(s.client.connectAndLogin());
    QByteArray raw;
    bool truncated = true;
    ASSERT_TRUE(s.client.retrieveWhole(1, raw, &truncated));
    EXPECT_FALSE(truncated);
    EXPECT_TRUE(raw.endsWith(".leading dot\r\n..two\r\nend\r\n")) << raw.toStdString();
}
