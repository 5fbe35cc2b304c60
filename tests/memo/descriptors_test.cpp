// A crowd of idle connections against the memo server in a child process
// whose descriptor limit is low: a visitor's memo must still be served and
// logged, without the server spinning. The child is this test executable
// again, running the server half of the test.
#include "MemoFixture.h"

#include "memo/DescriptorLimit.h"

#include <QProcess>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

namespace {

constexpr rlim_t kChildSoftLimit = 200, kChildHardLimit = 400;

// User plus system time of a process, in clock ticks.
long cpuTicks(qint64 pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string field;
    long ticks = 0;
    for (int i = 1; i <= 15 && stat >> field; ++i)
        if (i >= 14)
            ticks += std::stol(field);
    return ticks;
}

class Descriptors : public MemoTest {
protected:
    // The child's half: serves until the visitor's memo is logged.
    void serveForParent()
    {
        memoLimits().descriptorReserve = qEnvironmentVariableIntValue("MEMO_CHILD_RESERVE");
        memoLimits().idleTimeoutMs = memoLimits().requestDeadlineMs = 120000;
        startServer();
        std::printf("PORT %d CAP %d\n", port, server()->connectionCap());
        std::fflush(stdout);
        const bool logged = pumpUntil([this] { return home.readFile("Memo.txt").contains("Name: Legit"); }, 30000);
        std::printf("LOGGED %d\n", int(logged));
        std::fflush(stdout);
    }
};

TEST_F(Descriptors, ACrowdOfIdleConnectionsCannotLockVisitorsOut)
{
    if (qEnvironmentVariableIsSet("MEMO_CHILD_RESERVE"))
        return serveForParent();
    RaiseDescriptorLimit();
    // The cap below the raised limit; then a cap above it, so that accept runs out of descriptors.
    for (const int reserve : {128, -2000}) {
        SCOPED_TRACE(reserve);
        QProcess child;
        child.setChildProcessModifier([] {
            const rlimit low{kChildSoftLimit, kChildHardLimit};
            ::setrlimit(RLIMIT_NOFILE, &low);
        });
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("MEMO_CHILD_RESERVE"), QString::number(reserve));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=Descriptors.*")});
        QByteArray out;
        ASSERT_TRUE(pumpUntil([&] { return (out += child.readAllStandardOutput()).contains("CAP "); }, 20000));
        const QByteArray line = out.mid(out.indexOf("PORT "));
        const QList<QByteArray> words = line.left(line.indexOf('\n')).split(' ');
        const quint16 childPort = quint16(words[1].toInt());
        // The soft limit was raised to the hard one: (400 - 128) / 2.
        if (reserve > 0) {
            EXPECT_EQ(words.value(3).toInt(), 136);
        }
        std::vector<std::unique_ptr<QTcpSocket>> crowd;
        for (int i = 0; i < 500; ++i) {
            crowd.push_back(std::make_unique<QTcpSocket>());
            crowd.back()->connectToHost(QHostAddress::LocalHost, childPort);
        }
        pumpFor(1000);
        const long ticksBefore = cpuTicks(child.processId());
        QElapsedTimer wall;
        wall.start();
        Visitor legit(childPort);
        legit.send(memoPost("NAME=Legit&MESSAGE=hello&REPLY=NO"));
        ASSERT_TRUE(legit.waitClosed(8000));
        EXPECT_TRUE(legit.received.contains("Message Received"));
        pumpFor(500);
        // A server failing accept() in a loop would use the whole wait.
        EXPECT_LT(double(cpuTicks(child.processId()) - ticksBefore) / sysconf(_SC_CLK_TCK),
                  0.5 * double(wall.elapsed()) / 1000);
        ASSERT_TRUE(pumpUntil([&child] { return child.state() == QProcess::NotRunning; }, 30000));
        EXPECT_TRUE((out + child.readAllStandardOutput()).contains("LOGGED 1"));
        crowd.clear();
    }
}

} // namespace
