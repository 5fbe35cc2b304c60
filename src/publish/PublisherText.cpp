#include "publish/Publisher.h"

#include <QDateTime>
#include <QLocale>

// The texts of the upload that other parts show or test on their own.
namespace publish {

QString LastUpdateText(const QDateTime& when)
{
    const QLocale locale;
    const QDate d = when.date();
    const QTime t = when.time();
    const int hour12 = t.hour() % 12 == 0 ? 12 : t.hour() % 12;
    return QStringLiteral("%1, %2 %3, %4 at %5:%6 %7")
        .arg(locale.dayName(d.dayOfWeek(), QLocale::LongFormat),
             locale.monthName(d.month(), QLocale::LongFormat))
        .arg(d.day(), 2, 10, QLatin1Char('0'))
        .arg(d.year())
        .arg(hour12)
        .arg(t.minute(), 2, 10, QLatin1Char('0'))
        .arg(QLatin1String(t.hour() < 12 ? "AM" : "PM"));
}

QString TrailLine(int type, const QString& text)
{
    switch (type) {
    case platform::FtpClient::Sent:
        // The password never reaches the log, whatever the letter case of the command.
        if (text.left(4).toUpper() == QLatin1String("PASS"))
            return QStringLiteral("CLIENT: PASS **********");
        return QStringLiteral("CLIENT: ") + text;
    case platform::FtpClient::Received:
        return QStringLiteral("SERVER: ") + text;
    default:
        return QStringLiteral("INFO:   ") + text;
    }
}

} // namespace publish
