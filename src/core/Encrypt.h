#pragma once

#include <QByteArray>
#include <QString>

// The symmetric scrambling of stored passwords: an XOR with a fixed
// 15-character key, so the same call scrambles and unscrambles.
QByteArray Encrypt(const QByteArray& text);

// Scrambled text may hold bytes that a settings line cannot keep (NUL, CR,
// LF, blanks at the ends, enclosing quotes). These two turn exactly those
// bytes, and the escape byte itself, into two-byte sequences and back.
// Text without the escape byte reads back unchanged, so values stored
// before escaping existed still load.
QByteArray escapeStoredBytes(const QByteArray& raw);
QByteArray unescapeStoredBytes(const QByteArray& stored);

// A password field's text to and from its stored, scrambled form in hvrn.ini.
QString LoadStoredPassword(const QString& section, const QString& key);
bool SaveStoredPassword(const QString& section, const QString& key, const QString& password);
