#pragma once

#include <QProcess>
#include <QStringList>

// The stand-in home router (upnp_gateway.py) on a free loopback port, stopped
// with the object. actions() are the SOAP actions it answered so far.
class TestGateway {
public:
    explicit TestGateway(const QStringList& options = {})
    {
        process_.start(QStringLiteral("/usr/bin/python3"), QStringList{QStringLiteral(HALVORN_UPNP_GATEWAY)} + options);
        while (!process_.canReadLine() && process_.waitForReadyRead(10000)) {}
        url = QStringLiteral("http://127.0.0.1:%1/rootDesc.xml").arg(QString::fromUtf8(process_.readLine()).trimmed());
    }
    ~TestGateway() { stop(); }
    QString url;
    void stop()
    {
        process_.kill();
        process_.waitForFinished(3000);
    }
    QStringList actions()
    {
        process_.waitForReadyRead(50);
        while (process_.canReadLine())
            actions_ << QString::fromUtf8(process_.readLine()).trimmed();
        return actions_;
    }

private:
    QProcess process_;
    QStringList actions_;
};
