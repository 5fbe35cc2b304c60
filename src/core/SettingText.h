#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// Settings and text files are bytes; the windows show them as UTF-8, or as
// Latin-1 when the bytes are not valid UTF-8 (files from older systems).
QString decodeSettingText(const QByteArray& bytes);
QByteArray encodeSettingText(const QString& text);

// The numeric value of a setting typed as text: the number it starts with
// (leading blanks skipped, sign, decimals, exponent); 0 when it starts with
// none, so "3 min" is 3.
double LeadingNumber(QStringView text);
