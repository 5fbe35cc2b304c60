#pragma once

#include <QFile>
#include <QProcess>

// What the real servers that tests start have in common.

// The bytes of a file, empty when it cannot be read.
inline QByteArray slurp(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void stopProcess(QProcess& process)
{
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(3000);
    }
}

// A loopback port that nothing listened on a moment ago.
int FreeLoopbackPort();

// A self-signed certificate and key for 127.0.0.1 in folder: cert.pem, key.pem.
bool MakeTestCertificate(const QString& folder);
