#include "core/ProgramDir.h"

#include <QDir>

QString ProgramDir()
{
    const QByteArray home = qgetenv("HALVORN_HOME");
    if (!home.isEmpty())
        return QDir::cleanPath(QString::fromLocal8Bit(home));
    return QDir::homePath() + QStringLiteral("/.local/share/halvorn");
}

QString ProgramFile(const QString& name)
{
    return ProgramDir() + QLatin1Char('/') + name;
}

bool EnsureProgramDir()
{
    return QDir().mkpath(ProgramDir());
}
