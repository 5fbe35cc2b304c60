#pragma once

#include <QByteArray>
#include <QString>

// hvrn.ini in the program directory. Every read goes to the file; nothing is
// cached, so a value written by one window is seen at once by all others.

QString IniPath();

// At most 254 bytes of the stored value, or the default when the file,
// section or key is missing.
QString ReadIni(const QString& section, const QString& key, const QString& defaultValue);
QByteArray ReadIniBytes(const QString& section, const QString& key, const QByteArray& defaultValue);

// Writes one key, creating the file and the section. The file is replaced
// atomically; returns false when it could not be written (the old file stays).
bool WriteIni(const QString& section, const QString& key, const QString& value);
bool WriteIniBytes(const QString& section, const QString& key, const QByteArray& value);
// Removes one key.
bool WriteIni(const QString& section, const QString& key);
// Removes a whole section with all its keys.
bool WriteIni(const QString& section);

// "True"/"False", the words every check-mark setting is written as.
inline QString BoolText(bool value) { return value ? QStringLiteral("True") : QStringLiteral("False"); }
