#include "platform/FileDialogs.h"

#include "platform/FileDialogProvider.h"

#include <QStringList>

namespace {

// "*.html;*.htm" -> "*.html *.htm"; empty entries are dropped.
QString patternList(const QString& patterns)
{
    QStringList parts;
    for (const QString& part : patterns.split(QLatin1Char(';'))) {
        const QString trimmed = part.trimmed();
        if (!trimmed.isEmpty())
            parts.append(trimmed);
    }
    return parts.join(QLatin1Char(' '));
}

// True when the description already ends in its patterns in brackets, in
// either spelling: "Web (*.html;*.htm)" or "Web (*.html *.htm)".
bool showsPatterns(const QString& description, const QString& raw, const QString& spaced)
{
    return description.endsWith(QLatin1Char('(') + spaced + QLatin1Char(')')) ||
           description.endsWith(QLatin1Char('(') + raw.trimmed() + QLatin1Char(')'));
}

QString trimBlanks(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == QLatin1Char(' '))
        ++begin;
    while (end > begin && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}

platform::FileDialogRequest request(const QString& filter, const QString& title, const QString& startDir)
{
    platform::FileDialogRequest r;
    r.title = title;
    r.startDirectory = startDir;
    r.qtFilter = ConvertDialogFilter(filter);
    return r;
}

} // namespace

QString ConvertDialogFilter(const QString& filter)
{
    QString text = filter;
    if (!text.endsWith(QLatin1Char('|')))
        text += QLatin1Char('|');
    const QStringList parts = text.split(QLatin1Char('|'));
    QStringList entries;
    // The list ends with the empty text after the final "|".
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts.at(i).trimmed();
        const QString raw = parts.at(i + 1);
        const QString spaced = patternList(raw);
        if (spaced.isEmpty())
            continue;
        if (description.isEmpty())
            entries.append(QLatin1Char('(') + spaced + QLatin1Char(')'));
        else if (showsPatterns(description, raw, spaced))
            entries.append(description);
        else
            entries.append(description + QStringLiteral(" (") + spaced + QLatin1Char(')'));
    }
    return entries.join(QStringLiteral(";;"));
}

QString CleanDialogResult(const QString& answer)
{
    const qsizetype nul = answer.indexOf(QChar(u'\0'));
    const QString cleaned = trimBlanks(nul < 0 ? answer : answer.left(nul));
    if (cleaned.size() > kDialogPathLimit)
        return QString();
    return cleaned;
}

QString ShowOpenDialog(QWidget* owner, const QString& filter, const QString& title, const QString& startDir)
{
    return CleanDialogResult(platform::fileDialogs().open(owner, request(filter, title, startDir)));
}

QString ShowSaveDialog(QWidget* owner, const QString& filter, const QString& title, const QString& startDir,
                       const QString& proposedName)
{
    platform::FileDialogRequest r = request(filter, title, startDir);
    r.proposedName = trimBlanks(proposedName.left(kDialogPathLimit));
    return CleanDialogResult(platform::fileDialogs().save(owner, r));
}
