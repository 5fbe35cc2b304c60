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
        while (port_.isEmpty() && process_.waitForReadyRead(10000))
            read();
    }
    ~TestGateway() { stop(); }
    void stop()
    {
        process_.kill();
        process_.waitForFinished(3000);
    }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1/rootDesc.xml").arg(port_); }
    QStringList actions()
    {
        process_.waitForReadyRead(50);
        read();
        return actions_;
    }

private:
    void read()
    {
        while (process_.canReadLine()) {
            const QString line = QString::fromUtf8(process_.readLine()).trimmed();
            if (line.startsWith(QLatin1String("PORT ")))
                port_ = line.mid(5);
            else
                actions_ << line;
        }
    }
    QProcess process_;
    QString port_;
    QStringList actions_;
};
