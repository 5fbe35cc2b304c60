#include "platform/InstallLayout.h"

#include "platform/WaveOutput.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace platform {

QString ProgramPartPath(const QString& besideBinary, const QString& underPrefix)
{
    const QDir binaryDir(QCoreApplication::applicationDirPath());
    const QString beside = binaryDir.filePath(besideBinary);
    if (QFileInfo::exists(beside))
        return beside;
    return QDir::cleanPath(binaryDir.filePath(QStringLiteral("../") + underPrefix));
}

QString SoundModuleDir()
{
    const QString fromEnvironment = qEnvironmentVariable("HALVORN_MODULE_DIR");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    const QString module =
        ProgramPartPath(QString::fromLatin1(kSoundModuleFile),
                        QStringLiteral(HALVORN_MODULE_SUBDIR "/") + QString::fromLatin1(kSoundModuleFile));
    return QFileInfo(module).absolutePath();
}

QString ShippedManualPath()
{
    return ProgramPartPath(QStringLiteral("manual/index.html"),
                           QStringLiteral(HALVORN_MANUAL_SUBDIR "/index.html"));
}

} // namespace platform
