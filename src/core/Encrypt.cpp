#include "core/Encrypt.h"

#include "core/Ini.h"
#include "core/PasswordVault.h"
#include "core/SettingText.h"

#include <QEventLoop>
#include <QTimer>

#include <array>

namespace {

// Built from codes at run time so the key is not one string in the binary.
// It must never change: every stored password depends on it.
const QByteArray& scrambleKey()
{
    static const QByteArray key = [] {
        constexpr std::array<int, 15> codes{72, 118, 114, 110, 35, 75,  101, 121,
                                            33, 55,  113, 90,  64, 112, 51};
        QByteArray k;
        for (int code : codes)
            k += char(code);
        return k;
    }();
    return key;
}

// A byte at or above 0x80 XOR a printable key byte is never printable, so an
// ASCII password scrambled by older versions can never contain it.
constexpr char kEscape = char(0x9C);

char codeFor(char byte)
{
    switch (byte) {
    case '\0':
        return '0';
    case '\r':
        return 'r';
    case '\n':
        return 'n';
    case ' ':
        return 's';
    case '\t':
        return 't';
    case '"':
        return 'q';
    case kEscape:
        return 'e';
    default:
        return 0;
    }
}

std::optional<char> byteFor(char code)
{
    switch (code) {
    case '0':
        return '\0';
    case 'r':
        return '\r';
    case 'n':
        return '\n';
    case 's':
        return ' ';
    case 't':
        return '\t';
    case 'q':
        return '"';
    case 'e':
        return kEscape;
    default:
        return std::nullopt;
    }
}

bool mustEscape(const QByteArray& raw, qsizetype i)
{
    const char c = raw[i];
    const bool atEnd = i == 0 || i == raw.size() - 1;
    switch (c) {
    case '\0':
    case '\r':
    case '\n':
    case kEscape:
        return true;
    case ' ':
    case '\t':
    case '"':
        return atEnd;
    default:
        return false;
    }
}

} // namespace

QByteArray Encrypt(const QByteArray& text)
{
    const QByteArray& key = scrambleKey();
    QByteArray out(text);
    for (qsizetype i = 0; i < out.size(); ++i)
        out[i] = char(out[i] ^ key[i % key.size()]);
    return out;
}

QByteArray escapeStoredBytes(const QByteArray& raw)
{
    QByteArray out;
    out.reserve(raw.size() + 8);
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (mustEscape(raw, i)) {
            out += kEscape;
            out += codeFor(raw[i]);
        } else {
            out += raw[i];
        }
    }
    return out;
}

QByteArray unescapeStoredBytes(const QByteArray& stored)
{
    QByteArray out;
    out.reserve(stored.size());
    for (qsizetype i = 0; i < stored.size(); ++i) {
        if (stored[i] == kEscape && i + 1 < stored.size()) {
            if (const auto byte = byteFor(stored[i + 1])) {
                out += *byte;
                ++i;
                continue;
            }
        }
        out += stored[i];
    }
    return out;
}

std::optional<QString> IniStoredPassword(const QString& section, const QString& key)
{
    // A stored value never holds a bare NUL, so this default means "no line".
    const QByteArray absent(1, '\0');
    const QByteArray stored = ReadIniBytes(section, key, absent);
    if (stored == absent)
        return std::nullopt;
    return decodeSettingText(Encrypt(unescapeStoredBytes(stored)));
}

QString LoadStoredPassword(const QString& section, const QString& key)
{
    if (const std::optional<QString> line = IniStoredPassword(section, key))
        return *line;
    const PasswordVault* vault = PasswordVault::current();
    return vault ? vault->cached(section, key).value_or(QString()) : QString();
}

bool SaveStoredPassword(const QString& section, const QString& key, const QString& password)
{
    PasswordVault* vault = PasswordVault::current();
    if (vault && vault->save(section, key, password))
        return !IniStoredPassword(section, key) || WriteIni(section, key);
    return WriteIniBytes(section, key, escapeStoredBytes(Encrypt(encodeSettingText(password))));
}

void ForgetStoredPassword(const QString& section, const QString& key)
{
    if (PasswordVault* vault = PasswordVault::current())
        vault->save(section, key, QString());
}

bool StoredPasswordsSettled()
{
    const PasswordVault* vault = PasswordVault::current();
    return !vault || vault->settled();
}

void WaitForStoredPasswords()
{
    PasswordVault* vault = PasswordVault::current();
    if (!vault || vault->settled())
        return;
    // The keyring's answer is bounded by the D-Bus time-out, but an unlock
    // prompt waits for the user: the upload goes on with what it has.
    constexpr int kLongestWaitMs = 30000;
    QEventLoop loop;
    QObject::connect(vault, &PasswordVault::settledNow, &loop, &QEventLoop::quit);
    QTimer::singleShot(kLongestWaitMs, &loop, &QEventLoop::quit);
    loop.exec();
}
