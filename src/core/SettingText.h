#pragma once

#include <QByteArray>
#include <QString>

// Settings and text files are bytes; the windows show them as UTF-8, or as
// Latin-1 when the bytes are not valid UTF-8 (files from older systems).
QString decodeSettingText(const QByteArray& bytes);
QByteArray encodeSettingText(const QString& text);
