// Serves a filled test mailbox, or lists one with the POP3 client the way
// the mail check does (log in, TOP n 1 for every message, quit), so that
// bench/mail/list_vs_curl.sh can time it against the curl command line.
//   mail_bench serve COUNT        prints "PORT n", serves until stdin closes
//   mail_bench list HOST:PORT     prints "messages N" and "stall_ms N", the
//                                 longest lateness of a 10 ms timer
#include "StallWatch.h"
#include "platform/Pop3Client.h"
#include "support/MailServers.h"

#include <QCoreApplication>

#include <cstdio>
#include <iostream>
#include <string>

namespace {

int serve(int count)
{
    Pop3TestServer server;
    if (!server.started())
        return 2;
    for (int i = 1; i <= count; ++i)
        server.addMessage(
            QStringLiteral("From: bench%1@example.org\r\nSubject: message %1\r\n"
                           "Date: Sat, 5 Dec 2026 10:00:00 +0000\r\n\r\nline one\r\nline two\r\n")
                .arg(i)
                .toLatin1());
    std::printf("PORT %d\n", server.port());
    std::fflush(stdout);
    for (std::string line; std::getline(std::cin, line);) {
    }
    return 0;
}

int list(const QString& host)
{
    StallWatch watch;
    platform::Pop3Client client;
    client.host = host;
    client.user = QStringLiteral("tester");
    client.password = QStringLiteral("secret");
    int headers = 0;
    QObject::connect(&client, &platform::Pop3Client::Header,
                     [&](const QByteArray&, const QByteArray&) { ++headers; });
    watch.start();
    if (!client.connectAndLogin())
        return 2;
    for (int n = 1; n <= client.messageCount(); ++n)
        if (!client.retrieve(n))
            return 3;
    client.quit();
    std::printf("messages %d headers %d\nstall_ms %lld\n", client.messageCount(), headers, watch.worstMs());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() == 3 && a[1] == u"serve")
        return serve(a[2].toInt());
    if (a.size() == 3 && a[1] == u"list")
        return list(a[2]);
    std::fprintf(stderr, "usage: mail_bench serve COUNT | list HOST:PORT\n");
    return 2;
}
