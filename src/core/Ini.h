#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// hvrn.ini in the program directory. Every read goes to the file; nothing is
// cached, so a value written by one window is seen at once by all others.

QString IniPath();

// A settings file larger than this is not read: it cannot be one we wrote.
inline constexpr qint64 kSettingsFileLimit = 1024 * 1024;

// Why hvrn.ini cannot be used (a folder, binary data, far too long,
// unreadable), or empty when it can. Such a file reads as all defaults and
// is never written over.
QString SettingsFileTrouble();

// At most 254 bytes of the stored value, or the default when the file,
// section or key is missing.
QString ReadIni(const QString& section, const QString& key, const QString& defaultValue);
QByteArray ReadIniBytes(const QString& section, const QString& key, const QByteArray& defaultValue);

// Writes one key, creating the file and the section. The file is replaced
// atomically; returns false when it could not be written (the old file stays).
bool WriteIni(const QString& section, const QString& key, const QString& value);
bool WriteIniBytes(const QString& section, const QString& key, const QByteArray& value);
// Several keys in one replacement of the file, so they land together or
// not at all.
struct IniValue {
    QString section;
    QString key;
    QString value;
};
bool WriteIniValues(const QList<IniValue>& values);
// Removes one key.
bool WriteIni(const QString& section, const QString& key);
// Removes a whole section with all its keys.
bool WriteIni(const QString& section);

// "True"/"False", the words every check-mark setting is written as.
inline QString BoolText(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}
