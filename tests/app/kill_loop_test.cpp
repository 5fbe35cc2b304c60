// The real program killed with SIGKILL at random moments while it writes
// its settings, memos and a published page: every file must be whole.
#include "support/FileBytes.h"
#include "support/ProgramRun.h"
#include "support/ServerProcess.h"
#include "support/TempHome.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

namespace {

constexpr int kKills = 200;
constexpr qint64 kTimeBoundMs = 150 * 1000;
const QByteArray kPageStart = "<!-- kill loop -->";
const QByteArray kPageEnd = "</html>\r\n";

const QByteArray kMemo = "POST /memo/ HTTP/1.0\r\n\r\nSite=kill&NAME=Killer&MESSAGE=kill+loop+memo&REPLY=NO";

bool memoServerListens(quint16 port)
{
    QTcpSocket probe;
    probe.connectToHost(QHostAddress::LocalHost, port);
    return probe.waitForConnected(100);
}

class KillLoop : public ::testing::Test {
  protected:
    void SetUp() override
    {
        port = quint16(FreeLoopbackPort());
        settings =
            "[Default]\r\nHost=file://" + site.path().toUtf8() +
            "\r\nRemoteFile=index.html\r\nHTML ONline=on.html\r\nHTML OFFline=off.html\r\nAUTO=True\r\n"
            "[Memo]\r\nEnabled=True\r\nMemoServer Port=" +
            QByteArray::number(port) + "\r\nReply=False\r\n";
        ASSERT_TRUE(PutFileBytes(home.file("hvrn.ini"), settings));
        ASSERT_TRUE(PutFileBytes(home.file("on.html"), "<html>" + kPageStart + "I am %status% at %24time%" +
                                                           QByteArray(20000, '.') + kPageEnd));
        ASSERT_TRUE(PutFileBytes(home.file("off.html"), "<html>" + kPageStart + "I am %status%" +
                                                            QByteArray(30000, ',') + kPageEnd));
    }

    // What the files hold after a kill; empty when all is whole.
    QString damage() const
    {
        const QByteArray ini = FileBytes(home.file("hvrn.ini"), {});
        if (!ini.startsWith("[Default]\r\nHost=file://") ||
            !ini.contains("MemoServer Port=" + QByteArray::number(port)))
            return "hvrn.ini lost its profile or memo settings: " + QString::fromUtf8(ini.left(200));
        if (!ini.endsWith("\r\n"))
            return QStringLiteral("hvrn.ini ends in the middle of a line");
        const QByteArray page = FileBytes(site.filePath("index.html"), {});
        if (!page.isEmpty() && (!page.contains(kPageStart) || !page.trimmed().endsWith("</html>")))
            return QStringLiteral("index.html is half written (%1 bytes): ").arg(page.size()) +
                   QString::fromUtf8(page.left(120) + " ... " + page.right(60));
        // Nothing before the first record; each record whole to its last line.
        const QStringList records =
            QString::fromLatin1(FileBytes(home.file("Memo.txt"), {})).split(QStringLiteral("----------\r\n"));
        for (qsizetype i = 0; i < records.size(); ++i)
            if (i == 0 ? !records[i].isEmpty()
                       : !records[i].endsWith(QStringLiteral("Message: kill loop memo\r\n")))
                return "Memo.txt holds bytes outside a record or a torn record: " + records[i].right(80);
        return QString();
    }

    TempHome home;
    QTemporaryDir site;
    quint16 port = 0;
    QByteArray settings;
};

} // namespace

TEST_F(KillLoop, EveryFileIsOldOrNewAfterAKillAtAnyMoment)
{
    QRandomGenerator random(20261208);
    QElapsedTimer elapsed;
    elapsed.start();
    int kills = 0;
    for (; kills < kKills && elapsed.elapsed() < kTimeBoundMs; ++kills) {
        ProgramRun program(home.path());
        program.start();
        ASSERT_TRUE(ProgramRun::waitUntil([&] { return memoServerListens(port); }, 20000))
            << "kill " << kills;
        ProgramRun handOver(home.path());
        handOver.start({random.bounded(2) ? QStringLiteral("-online") : QStringLiteral("-offline")});
        QTcpSocket visitor;
        visitor.connectToHost(QHostAddress::LocalHost, port);
        if (visitor.waitForConnected(500)) {
            visitor.write(kMemo);
            visitor.flush();
        }
        QThread::msleep(random.bounded(250));
        ::kill(pid_t(program.process().processId()), SIGKILL);
        program.waitForExit(5000);
        const QString damaged = damage();
        ASSERT_TRUE(damaged.isEmpty()) << "after kill " << kills << ": " << damaged.toStdString();
    }
    EXPECT_GE(kills, 20) << "too few kills within the time bound";
    std::printf("%d kills in %lld ms\n", kills, static_cast<long long>(elapsed.elapsed()));
    EXPECT_TRUE(FileBytes(home.file("Memo.txt"), {}).contains("Message: kill loop memo"))
        << "no memo was ever saved";
    EXPECT_TRUE(FileBytes(site.filePath("index.html"), {}).contains(kPageStart))
        << "no page was ever published";
}

TEST_F(KillLoop, ANewStartClearsTheTemporariesAKillLeftBehind)
{
    ASSERT_TRUE(PutFileBytes(home.file(".hvrn.ini.hvtmp-killed"), "[Default]\r\nHo"));
    ProgramRun program(home.path());
    program.start();
    ASSERT_TRUE(ProgramRun::waitUntil([&] { return memoServerListens(port); }, 20000));
    EXPECT_FALSE(QFile::exists(home.file(".hvrn.ini.hvtmp-killed")));
    EXPECT_TRUE(FileBytes(home.file("hvrn.ini"), {}).startsWith(settings));
}
