#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// A file's bytes as the tests see them: missing when it cannot be read.
inline QByteArray FileBytes(const QString& path, const QByteArray& missing = "<missing>")
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : missing;
}

// Puts bytes in a file by plain means, outside the program's own writers.
inline bool PutFileBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}
