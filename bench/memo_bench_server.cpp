// Runs the memo server as the program does (settings from $HALVORN_HOME,
// hidden windows, one GUI thread) and watches its event loop: a timer that
// should fire every 5 ms records how late it comes. On SIGTERM or after the
// given seconds it prints the longest stall and ends.
#include "core/CoreState.h"
#include "memo/MemoProgram.h"
#include "memo/MemoSetupState.h"
#include "memo/frmMemoServer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_pipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto n = ::write(g_pipe[1], &byte, 1);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    Core().LocalIP = QStringLiteral("127.0.0.1");
    Memo().settings().LoadSounds();
    Memo().settings().LoadMemoServerSettings();
    if (!Memo().server() || !Memo().server()->listening()) {
        std::fputs("memo server did not start (Enabled and MemoServer Port in hvrn.ini?)\n", stderr);
        return 1;
    }

    QElapsedTimer clock;
    clock.start();
    qint64 last = clock.elapsed();
    qint64 longest = 0;
    QTimer watch;
    watch.setTimerType(Qt::PreciseTimer);
    watch.setInterval(5);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longest = std::max(longest, now - last - 5);
        last = now;
    });
    watch.start();

    auto finish = [&] {
        std::printf("longest event-loop stall: %lld ms\n", static_cast<long long>(longest));
        std::fflush(stdout);
        Memo().reset();
        QCoreApplication::quit();
    };
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_pipe) == 0) {
        auto* notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, finish);
        std::signal(SIGTERM, onSignal);
    }
    QTimer::singleShot(seconds * 1000, finish);
    std::printf("ready on port %u\n", unsigned(Memo().server()->listeningPort()));
    std::fflush(stdout);
    return QApplication::exec();
}
