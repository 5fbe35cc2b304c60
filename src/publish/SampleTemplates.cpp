#include "publish/SampleTemplates.h"

#include "core/Logs.h"
#include "core/ProgramDir.h"
#include "core/SaveFile.h"

#include <QFile>
#include <QStringList>

namespace publish {
namespace {

QByteArray page(const char* title, const char* colour, const char* body)
{
    QByteArray text;
    text += "<html>\r\n<head>\r\n<meta charset=\"iso-8859-1\">\r\n<title>";
    text += title;
    text += "</title>\r\n<style>\r\n"
            "body { font-family: sans-serif; background: #f4f6f8; color: #222; margin: 0; }\r\n"
            ".card { max-width: 36em; margin: 3em auto; background: #fff; border-radius: 8px;\r\n"
            "        box-shadow: 0 2px 8px rgba(0,0,0,.12); padding: 1.5em 2em; }\r\n"
            ".status { font-size: 2em; font-weight: bold; color: ";
    text += colour;
    text += "; }\r\n"
            ".when { color: #666; }\r\n"
            "</style>\r\n</head>\r\n<body>\r\n<div class=\"card\">\r\n";
    text += body;
    text += "</div>\r\n</body>\r\n</html>\r\n";
    return text;
}

bool writeIfMissing(const QString& name, const QByteArray& bytes)
{
    const QString path = ProgramFile(name);
    if (QFile::exists(path))
        return false;
    return SaveProgramFile(path, bytes);
}

} // namespace

QByteArray SampleOnlineTemplate()
{
    return page("I am %status%", "#008000",
                "<p class=\"status\">I am %status%</p>\r\n"
                "<p class=\"when\">since %time% on %date%, at %ip%</p>\r\n"
                "<p>Leave me a short message; I can answer while you wait:</p>\r\n"
                "%memo%\r\n");
}

QByteArray SampleOfflineTemplate()
{
    return page("I am %status%", "#c00000",
                "<p class=\"status\">I am %status%</p>\r\n"
                "<p class=\"when\">since %time% on %date%</p>\r\n"
                "<p>Please come back later.</p>\r\n"
                "%memo%\r\n");
}

int WriteSampleTemplates()
{
    QStringList written;
    if (writeIfMissing(QStringLiteral("on.html"), SampleOnlineTemplate()))
        written << QStringLiteral("on.html");
    if (writeIfMissing(QStringLiteral("off.html"), SampleOfflineTemplate()))
        written << QStringLiteral("off.html");
    if (!written.isEmpty())
        DebugLog(QStringLiteral("[HVRN] Sample templates written: ") + written.join(QStringLiteral(", ")));
    return int(written.size());
}

} // namespace publish
