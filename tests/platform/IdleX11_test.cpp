// The X11 screen saver extension on a real X server (Xvfb), with xdotool
// moving the pointer as the user would.
#include "platform/IdleX11.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>

namespace {

bool pumpUntil(const std::function<bool()>& done, int timeoutMs = 8000)
{
    for (const QDeadlineTimer deadline(timeoutMs); !done(); QThread::msleep(5)) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// An X server of its own on a free display number it picks and prints once
// it takes clients.
class VirtualDisplay {
  public:
    VirtualDisplay()
    {
        server_.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                               QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        if (pumpUntil([&] { return server_.canReadLine(); }, 5000))
            name = u':' + QString::fromLatin1(server_.readLine().trimmed());
    }
    ~VirtualDisplay()
    {
        server_.terminate();
        server_.waitForFinished(3000);
    }
    // xdotool moves the pointer: input the server counts.
    void movePointer(int x) const
    {
        QProcess::execute(QStringLiteral("xdotool"),
                          {QStringLiteral("mousemove"), QString::number(x), QStringLiteral("10")});
    }

    QString name;

  private:
    QProcess server_;
};

} // namespace

TEST(IdleX11, TheExtensionTellsIdleTimeAndTheInputThatEndsIt)
{
    VirtualDisplay display;
    ASSERT_FALSE(display.name.isEmpty()) << "no display could be started";
    const QByteArray previous = qgetenv("DISPLAY");
    qputenv("DISPLAY", display.name.toLocal8Bit());
    QString why;
    std::unique_ptr<platform::IdleMonitor> monitor(platform::MakeX11IdleMonitor(nullptr, 50, &why));
    ASSERT_TRUE(monitor) << why.toStdString();
    EXPECT_EQ(monitor->name(), "X11 screen saver extension");
    int idles = 0;
    int actives = 0;
    QObject::connect(monitor.get(), &platform::IdleMonitor::idle, [&] { ++idles; });
    QObject::connect(monitor.get(), &platform::IdleMonitor::active, [&] { ++actives; });

    display.movePointer(20);
    monitor->setIdleThreshold(400);
    EXPECT_TRUE(pumpUntil([&] { return idles == 1; }));
    qint64 idleMs = -1;
    monitor->queryIdle([&](qint64 ms) { idleMs = ms; });
    EXPECT_GE(idleMs, 400);

    monitor->watchForActivity();
    display.movePointer(60);
    EXPECT_TRUE(pumpUntil([&] { return actives == 1; }));
    // Left alone again after the input, the user is idle again, told once more.
    EXPECT_TRUE(pumpUntil([&] { return idles == 2; }));
    EXPECT_EQ(actives, 1);
    monitor.reset();
    previous.isEmpty() ? qunsetenv("DISPLAY") : qputenv("DISPLAY", previous);
}
