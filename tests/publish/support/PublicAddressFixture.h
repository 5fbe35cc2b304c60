#pragma once

#include "PublishFixture.h"
#include "publish/PublicAddress.h"

#include <QtNetwork>

// PublishFixture with Public Address "auto" and a stand-in address-echo
// service on loopback.
class PublicAddressTest : public PublishFixture {
  protected:
    void SetUp() override
    {
        PublishFixture::SetUp();
        // A stand-in address-echo service: answers every request with body after delayMs, or never
        // when silent.
        echo.listen(QHostAddress::LocalHost, 0);
        QCoreApplication::processEvents(); // the start-up check, still without "auto"
        ForgetDiscoveredAddress();
        WriteIni("StartUp", "Public Address", "auto");
        WriteIni("StartUp", "Address Echo URL", u"http://127.0.0.1:%1/"_s.arg(echo.serverPort()));
        EchoTimeoutMs() = 3000;
        QObject::connect(&echo, &QTcpServer::newConnection, [this] {
            QTcpSocket* s = echo.nextPendingConnection();
            ++requests;
            QTimer::singleShot(silent ? 60000 : delayMs, s, [this, s] {
                s->write("HTTP/1.1 " + status + "\r\nContent-Length: " + QByteArray::number(body.size()) +
                         "\r\n\r\n" + body);
                s->disconnectFromHost();
            });
        });
    }
    QTcpServer echo;
    QByteArray body, status = "200 OK";
    int delayMs = 0, requests = 0;
    bool silent = false;
};
