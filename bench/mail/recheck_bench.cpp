// A second check of a large mailbox with a few new messages, the way the
// mail check runs it (log in, UIDL, TOP for the new messages only, quit,
// the list model updated), timed in turns against the curl command line
// doing UIDL and the same TOPs, on the same local dovecot in the same run.
//   recheck_bench COUNT NEW RUNS
// prints "halvorn_ms", "curl_ms" (medians), "ratio" and "stall_ms" (the
// longest lateness of a 10 ms timer during our checks).
#include "StallWatch.h"
#include "mail/MailListModel.h"
#include "mail/MailboxSync.h"
#include "platform/Pop3Client.h"
#include "support/MailServers.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

QByteArray message(int n)
{
    return QStringLiteral("From: bench%1@example.org\r\nSubject: message %1\r\nMessage-ID: <%1@bench>\r\n"
                          "Date: Sat, 5 Dec 2026 10:00:00 +0000\r\n\r\nline one\r\nline two\r\n")
        .arg(n)
        .toLatin1();
}

double median(QVector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v[v.size() / 2];
}

struct Check {
    platform::Pop3Client client;
    MailboxSync sync{client};
    MailListModel model;
    double modelMs = 0; // the longest list model update, all on the window's thread

    bool run(const QString& host, int& fetched)
    {
        client.host = host;
        client.user = QStringLiteral("tester");
        client.password = QStringLiteral("secret");
        QVector<ListingRow> rows;
        if (!client.connectAndLogin())
            return false;
        QElapsedTimer gui;
        gui.start();
        if (!sync.list(host, rows))
            return false;
        client.quit();
        gui.restart();
        model.setListing(rows);
        modelMs = qMax(modelMs, gui.nsecsElapsed() / 1e6);
        fetched = sync.lastFetched();
        return true;
    }
};

// curl: UIDL, then TOP n 0 for each of the last `fresh` messages, on one connection.
QString curlConfig(const QTemporaryDir& dir, const QString& url, int total, int fresh)
{
    QByteArray cfg = "user = \"tester:secret\"\nrequest = \"UIDL\"\nurl = \"" + url.toLatin1() + "\"\n";
    for (int n = total - fresh + 1; n <= total; ++n)
        cfg += "--next\nuser = \"tester:secret\"\nrequest = \"TOP " + QByteArray::number(n) +
               " 0\"\nurl = \"" + url.toLatin1() + "\"\n";
    const QString path = dir.filePath(QStringLiteral("curl.cfg"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(cfg) != cfg.size())
        return {};
    return path;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() != 4) {
        std::fprintf(stderr, "usage: recheck_bench COUNT NEW RUNS\n");
        return 2;
    }
    const int count = a[1].toInt(), fresh = a[2].toInt(), runs = a[3].toInt();
    Pop3TestServer server;
    if (!server.started())
        return 2;
    int added = 0;
    while (added < count)
        server.addMessage(message(++added));
    Check check;
    int fetched = 0;
    if (!check.run(server.address(), fetched)) // the first check fills the cache
        return 3;
    QTemporaryDir dir;
    QElapsedTimer clock;
    StallWatch watch;
    QVector<double> ours, theirs;
    for (int r = 0; r < runs; ++r) {
        for (int k = 0; k < fresh; ++k)
            server.addMessage(message(++added));
        clock.start();
        watch.start();
        const bool ok = check.run(server.address(), fetched);
        watch.stop();
        ours << clock.nsecsElapsed() / 1e6;
        if (!ok || fetched != fresh || check.model.rowCount() != added) {
            std::fprintf(stderr, "check incomplete: fetched %d of %d, %d rows\n", fetched, fresh,
                         check.model.rowCount());
            return 3;
        }
        const QString cfg = curlConfig(dir, QStringLiteral("pop3://%1/").arg(server.address()), added, fresh);
        QProcess curl;
        clock.start();
        curl.start(QStringLiteral("curl"), {QStringLiteral("-s"), QStringLiteral("-K"), cfg});
        if (!curl.waitForFinished(60000) || curl.exitCode() != 0)
            return 4;
        theirs << clock.nsecsElapsed() / 1e6;
    }
    const double h = median(ours), c = median(theirs);
    std::printf("mailbox %d messages, %d new per check, %d runs\n", added, fresh, runs);
    std::printf("halvorn_ms %.1f\ncurl_ms %.1f\nratio %.2f\nstall_ms %lld\nmodel_update_ms %.1f\n", h, c,
                c > 0 ? h / c : 0.0, watch.worstMs(), check.modelMs);
    return 0;
}
