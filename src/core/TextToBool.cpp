#include "core/TextToBool.h"

#include "core/Ini.h"
#include "core/ProgramError.h"

bool TextToBool(const QString& text)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const double number = t.toDouble(&ok);
    if (!ok)
        throw ProgramError(err::kTypeMismatch, QStringLiteral("not a Boolean: ") + t.left(40));
    return number != 0.0;
}

bool ReadIniFlag(const QString& section, const QString& key, bool defaultValue)
{
    try {
        return TextToBool(ReadIni(section, key, BoolText(defaultValue)));
    } catch (const ProgramError&) {
        return defaultValue;
    }
}
