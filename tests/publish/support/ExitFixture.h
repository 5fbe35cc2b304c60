#pragma once

// The exit procedure publishing "Offline" through the real upload. Ending
// the program stops every later event loop of the process, so each test
// that ends it lives in its own program.
#include "PublishFixture.h"

#include <QDir>

class ExitActions : public PublishFixture {
  protected:
    void SetUp() override
    {
        PublishFixture::SetUp();
        WriteIni(QStringLiteral("Profile"), QStringLiteral("Count"), QStringLiteral("1"));
        WriteIni(QStringLiteral("Profile"), QStringLiteral("1"), QStringLiteral("Site"));
        for (const QString& name : {QStringLiteral("Default"), QStringLiteral("Site")}) {
            WriteIni(name, QStringLiteral("Host"), QStringLiteral("file://") + site.path());
            WriteIni(name, QStringLiteral("RemoteFile"), name + QStringLiteral(".html"));
            WriteIni(name, QStringLiteral("HTML OFFline"), QStringLiteral("bye.html"));
        }
        WriteIni(QStringLiteral("Site"), QStringLiteral("Status"), QStringLiteral("Online"));
        home.writeFile(QStringLiteral("bye.html"), "%status%");
        LoadProfiles(*form);
    }
    QByteArray page(const char* name) const
    {
        QFile f(QDir(site.path()).filePath(QString::fromLatin1(name)));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir site;
};
