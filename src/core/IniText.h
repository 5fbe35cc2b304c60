#pragma once

#include <QByteArray>
#include <optional>

// The settings file format as pure byte operations, so that reading and
// writing rules are testable and fuzzable without touching the disk.
// Section and key names compare without letter case and surrounding blanks;
// values are trimmed and lose one pair of enclosing double quotes on reading.
namespace ini {

// Longest value a read returns, in bytes (the classic 255-byte buffer).
inline constexpr int kReadLimit = 254;

// The raw stored value (trimmed, unquoted, not yet cut to kReadLimit), or
// nullopt when the section or key does not exist.
std::optional<QByteArray> lookup(const QByteArray& file, const QByteArray& section, const QByteArray& key);

// The file with one key set; the section is created when missing. CR, LF and
// NUL in the value are dropped so that a value can never break a line.
QByteArray withValue(const QByteArray& file, const QByteArray& section, const QByteArray& key,
                     const QByteArray& value);
QByteArray withoutKey(const QByteArray& file, const QByteArray& section, const QByteArray& key);
// Removes every section of that name, so a duplicate cannot reappear.
QByteArray withoutSection(const QByteArray& file, const QByteArray& section);

// Cuts a value to kReadLimit bytes without splitting a UTF-8 sequence of an
// otherwise valid UTF-8 value.
QByteArray cutToReadLimit(const QByteArray& value);

} // namespace ini
