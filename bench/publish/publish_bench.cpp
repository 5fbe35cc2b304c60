// Drives page expansion and the FTP client outside the window, so the
// benchmark scripts can time them against sed and the curl command line.
//   publish_bench expand TEMPLATE OUTPUT
//   publish_bench upload HOST:PORT USER PASSWORD FILE [REMOTE]
// "upload" also prints the longest lateness of a 10 ms timer during the upload.
#include "platform/CurlEasy.h"
#include "platform/FtpClient.h"
#include "publish/TemplateExpansion.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <cstdio>

namespace {

int expand(const QString& in, const QString& out)
{
    QFile source(in);
    QFile target(out);
    if (!source.open(QIODevice::ReadOnly) || !target.open(QIODevice::WriteOnly))
        return 2;
    publish::ExpansionInputs inputs;
    inputs.status = "Online";
    inputs.address = "192.0.2.7";
    inputs.hostName = "bench.example";
    inputs.custom = {"one", "two", "three", "four", "five"};
    inputs.memo = {"192.0.2.7", "4175", "Default", "5", "40", false, true};
    inputs.now = QDateTime::currentDateTime();
    inputs.locale = QLocale::c();
    publish::PageOptions options;
    options.removeComments = true;
    options.credits = false;
    const QByteArray page =
        publish::ExpandTemplateText(source.readAll(), publish::ComputeValues(inputs), options);
    return target.write(page) == page.size() ? 0 : 3;
}

int upload(const QStringList& a)
{
    platform::FtpClient client;
    client.host = a[0];
    client.user = a[1];
    client.password = a[2];
    client.localFile = a[3];
    client.remoteFile = a.size() > 4 ? a[4] : QStringLiteral("bench.bin");
    QObject::connect(&client, &platform::FtpClient::Error, [](int number, const QString& text) {
        std::fprintf(stderr, "error %d: %s\n", number, qPrintable(text));
    });
    qint64 worstLateMs = 0;
    QElapsedTimer since;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout,
                     [&] { worstLateMs = std::max(worstLateMs, since.restart() - 10); });
    since.start();
    tick.start(10);
    // Outside the timed session, as curl's own time_total leaves it out.
    QElapsedTimer steps;
    steps.start();
    platform::CurlGlobalInit();
    const qint64 openUs = steps.nsecsElapsed() / 1000;
    steps.restart();
    bool ok = client.connectAndLogin();
    const qint64 connectUs = steps.nsecsElapsed() / 1000;
    ok = ok && client.store();
    const qint64 storeUs = steps.nsecsElapsed() / 1000 - connectUs;
    client.quit();
    const qint64 quitUs = steps.nsecsElapsed() / 1000 - connectUs - storeUs;
    // The whole session inside the process, for comparison with curl's own
    // time_total without either program's start-up.
    if (qEnvironmentVariableIsSet("PUBLISH_BENCH_STEPS"))
        std::printf("connect_us %lld store_us %lld quit_us %lld session_us %lld open_us %lld\n",
                    static_cast<long long>(connectUs), static_cast<long long>(storeUs),
                    static_cast<long long>(quitUs), static_cast<long long>(connectUs + storeUs + quitUs),
                    static_cast<long long>(openUs));
    std::printf("stall_ms %lld\n", static_cast<long long>(worstLateMs));
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() == 3 && args[0] == QLatin1String("expand"))
        return expand(args[1], args[2]);
    if (args.size() >= 5 && args[0] == QLatin1String("upload"))
        return upload(args.mid(1));
    std::fputs("usage: publish_bench expand TEMPLATE OUTPUT | upload HOST:PORT USER PASSWORD FILE [REMOTE]\n",
               stderr);
    return 2;
}
