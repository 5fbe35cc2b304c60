#pragma once

#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// The stand-in home router (upnp_gateway.py) on a free loopback port, stopped
// with the object. actions() are the SOAP actions it answered so far.
// setExternalAddress() changes the internet address it reports from then on.
class TestGateway {
  public:
    explicit TestGateway(const QStringList& options = {})
    {
        const qsizetype given = options.indexOf(QStringLiteral("--external"));
        setExternalAddress(given >= 0 && given + 1 < options.size() ? options[given + 1]
                                                                    : QStringLiteral("198.51.100.77"));
        process_.start(QStringLiteral("/usr/bin/python3"),
                       QStringList{QStringLiteral(HALVORN_UPNP_GATEWAY), QStringLiteral("--external-file"),
                                   externalFile()} +
                           options);
        while (!process_.canReadLine() && process_.waitForReadyRead(10000)) {
        }
        url = QStringLiteral("http://127.0.0.1:%1/rootDesc.xml")
                  .arg(QString::fromUtf8(process_.readLine()).trimmed());
    }
    ~TestGateway() { stop(); }
    QString url;
    void stop()
    {
        process_.kill();
        process_.waitForFinished(3000);
    }
    void setExternalAddress(const QString& address)
    {
        QFile f(externalFile());
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(address.toLatin1() + '\n');
    }
    QStringList actions()
    {
        process_.waitForReadyRead(50);
        while (process_.canReadLine())
            actions_ << QString::fromUtf8(process_.readLine()).trimmed();
        return actions_;
    }

  private:
    QString externalFile() const { return dir_.filePath(QStringLiteral("external")); }

    QTemporaryDir dir_;
    QProcess process_;
    QStringList actions_;
};
