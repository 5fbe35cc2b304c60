#include "AppWiring.h"

#include "core/BuildInfo.h"
#include "core/CoreState.h"
#include "core/FirstStart.h"
#include "core/Form1.h"
#include "core/LeanStyle.h"
#include "core/MainWindowWiring.h"
#include "core/ProgramDir.h"
#include "core/SingleInstance.h"
#include "core/StartUp.h"
#include "core/StartupTrace.h"
#include "platform/AppId.h"
#include "platform/InstallLayout.h"
#include "platform/WaveOutput.h"
#include "platform/WholeFile.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QStringList>
#include <QTimer>

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

// Where an installation's parts were found: the first thing to look at
// when sounds are beeps or Help shows nothing.
void printVersion(int argc, char** argv)
{
    const QCoreApplication app(argc, argv);
    const auto shown = [](const QString& path) {
        return (QFileInfo::exists(path) ? path : path + QStringLiteral(" (missing)")).toLocal8Bit();
    };
    const QString module =
        QDir(platform::SoundModuleDir()).filePath(QString::fromLatin1(platform::kSoundModuleFile));
    std::printf("Halvorn Version 3.3  (build %d)\nManual: %s\nSound module: %s\n", BuildNumber(),
                shown(platform::ShippedManualPath()).constData(), shown(module).constData());
}

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
            printVersion(argc, argv);
            return true;
        }
    }
    return false;
}

// Scripts run -online/-offline from cron or ssh, where no display exists:
// without one, and unless the user chose a platform, none is needed.
bool chooseOffscreenWithoutDisplay(int argc, char** argv)
{
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY") ||
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return false;
    for (int i = 1; i < argc; ++i)
        if (qstrcmp(argv[i], "-platform") == 0 || qstrcmp(argv[i], "--platform") == 0)
            return false;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return true;
}

// A handed-over upload may take the server's whole time-out, twice.
constexpr int kHandOverAnswerMs = 10 * 60 * 1000;

} // namespace

int main(int argc, char** argv)
{
    TraceStartupStep("main");
    if (answeredInformationSwitch(argc, argv))
        return 0;

    const bool headless = chooseOffscreenWithoutDisplay(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Halvorn"));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kAppId));
    QApplication::setQuitOnLastWindowClosed(false);
    TraceStartupStep("QApplication");
    EnsureProgramDir();
    const QString commandLine = QApplication::arguments().mid(1).join(QLatin1Char(' '));
    const CommandSwitch sw = ParseCommandSwitch(commandLine);

    SingleInstance instance(ProgramDir());
    if (!instance.claim())
        return instance.handOver(commandLine, kHandOverAnswerMs);
    TraceStartupStep("single instance claimed");
    // Only this process writes here now: a temporary is a kill's leftover.
    platform::RemoveStaleTemporaries(ProgramDir());
    if (headless && sw != CommandSwitch::Online && sw != CommandSwitch::Offline) {
        std::fputs("halvorn: no display to show the window on (DISPLAY is not set)\n", stderr);
        return 1;
    }

    QApplication::setStyle(new LeanStyle(QApplication::style()->name()));
    InstallMainWindowParts();
    InstallSubsystemHooks();
    TraceStartupStep("hooks installed");
    Form1 form;
    TraceStartupStep("Form1 built");
    WriteStarterSettingsOnFirstStart();
    AttachSubsystems(form);
    TraceStartupStep("subsystems attached");
    exitOnSignals(form);
    instance.listen([&form](const QString& handed) { return AnswerSecondStart(form, handed); });

    form.startUp(commandLine);
    if (form.ended())
        return Core().ExitCode;
    QTimer::singleShot(0, [] { TraceStartupStep("event loop running"); });
    return QApplication::exec();
}
