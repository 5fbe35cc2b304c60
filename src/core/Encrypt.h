#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

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

// A password field's text to and from where it is stored: the desktop
// keyring when the program's PasswordVault uses one, else scrambled in
// hvrn.ini. A line still in hvrn.ini is read first: it is the newer one.
QString LoadStoredPassword(const QString& section, const QString& key);
bool SaveStoredPassword(const QString& section, const QString& key, const QString& password);
// The password leaves the keyring too (its settings section is deleted).
void ForgetStoredPassword(const QString& section, const QString& key);
// The unscrambled password line of hvrn.ini, when there is one.
std::optional<QString> IniStoredPassword(const QString& section, const QString& key);

// True once the keyring's first answer is in (at once without a keyring).
bool StoredPasswordsSettled();
// Waits (in a local event loop, at most a bounded time) for that answer, so
// that an upload right after start-up has the keyring's password.
void WaitForStoredPasswords();
