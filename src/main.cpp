#include "AppWiring.h"

#include "core/BuildInfo.h"
#include "core/CoreState.h"
#include "core/Form1.h"
#include "core/ProgramDir.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QStringList>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_signalPipe[1], &byte, 1);
}

// SIGTERM and SIGINT end the program through the exit procedure, so the
// state is saved as after File > Exit.
void exitOnSignals(Form1& form)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &form);
    QObject::connect(notifier, &QSocketNotifier::activated, &form, [&form] {
        char byte = 0;
        [[maybe_unused]] const auto got = ::read(g_signalPipe[0], &byte, 1);
        form.cmd_Exit_Click(ExitTrigger::Signal);
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

const char* const kUsage =
    "Usage: halvorn [-min | -online | -offline]\n"
    "\n"
    "  -min       start minimised (into the tray when \"Minimize to System Tray\" is on)\n"
    "  -online    publish the selected profile's Online page, then exit\n"
    "  -offline   publish the selected profile's Offline page, then exit\n"
    "  --help     print this text and exit\n"
    "  --version  print the version and exit\n"
    "\n"
    "Settings and logs live in $HALVORN_HOME, else ~/.local/share/halvorn.\n";

// --help and --version answer without opening a window.
bool answeredInformationSwitch(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return true;
        }
        if (arg == "--version") {
            std::printf("Halvorn Version 3.3  (build %d)\n", BuildNumber());
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (answeredInformationSwitch(argc, argv))
        return 0;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Halvorn"));
    QApplication::setQuitOnLastWindowClosed(false);
    EnsureProgramDir();

    InstallSubsystemHooks();
    Form1 form;
    AttachSubsystems(form);
    exitOnSignals(form);

    const QStringList args = QApplication::arguments().mid(1);
    form.startUp(args.join(QLatin1Char(' ')));
    if (form.ended())
        return Core().ExitCode;
    return QApplication::exec();
}
