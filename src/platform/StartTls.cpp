#include "platform/StartTls.h"

namespace platform {

StartTls ParseStartTls(const QString& text)
{
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("try"))
        return StartTls::Try;
    if (t == QLatin1String("require"))
        return StartTls::Require;
    return StartTls::Off;
}

} // namespace platform
