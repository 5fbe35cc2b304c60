#include "core/SettingText.h"

QString decodeSettingText(const QByteArray& bytes)
{
    if (bytes.isValidUtf8())
        return QString::fromUtf8(bytes);
    return QString::fromLatin1(bytes);
}

QByteArray encodeSettingText(const QString& text) { return text.toUtf8(); }
