#include "platform/Desktop.h"

#include "platform/Override.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace platform {
namespace {

class QtDesktop final : public Desktop {
  public:
    bool open(const QString& pathOrUrl) override
    {
        QUrl url(pathOrUrl);
        if (QFileInfo(pathOrUrl).isAbsolute() || url.scheme().size() <= 1)
            url = QUrl::fromLocalFile(pathOrUrl);
        return QDesktopServices::openUrl(url);
    }

    bool start(const QString& program, const QStringList& arguments, const QString& workingDirectory) override
    {
        return QProcess::startDetached(program, arguments, workingDirectory);
    }
};

} // namespace

Desktop& desktop()
{
    return resolve<Desktop, QtDesktop>();
}

QStringList splitCommandLine(const QString& commandLine)
{
    return QProcess::splitCommand(commandLine);
}

} // namespace platform
