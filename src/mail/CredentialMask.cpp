#include "mail/CredentialMask.h"

namespace {

const QString kHidden = QStringLiteral("**********");

QString commandOf(const QString& line)
{
    return line.section(QLatin1Char(' '), 0, 0).toUpper();
}

} // namespace

QString CredentialMask::shown(int direction, const QString& line)
{
    if (direction == Server) {
        // "+ challenge" keeps an AUTH exchange going; any other reply ends it.
        inAuthExchange_ = inAuthExchange_ && line.startsWith(QLatin1String("+ "));
        return line;
    }
    if (direction != Client)
        return line;
    if (inAuthExchange_)
        return kHidden;
    const QString command = commandOf(line);
    if (command == QLatin1String("PASS"))
        return QStringLiteral("PASS ") + kHidden;
    if (command == QLatin1String("APOP"))
        return QStringLiteral("APOP ") + line.section(QLatin1Char(' '), 1, 1) + QLatin1Char(' ') + kHidden;
    if (command == QLatin1String("AUTH")) {
        inAuthExchange_ = true;
        const QString mechanism = line.section(QLatin1Char(' '), 1, 1);
        const bool initialResponse = !line.section(QLatin1Char(' '), 2).isEmpty();
        return QStringLiteral("AUTH ") + mechanism +
               (initialResponse ? QLatin1Char(' ') + kHidden : QString());
    }
    return line;
}
