// The Debian package CPack makes of this build: what it holds, what it
// depends on, and lintian's verdict. The tools are Debian's own; without
// them the tests say so and skip.
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QString runTool(const QString& program, const QStringList& arguments, int* exitCode = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const bool finished = process.waitForFinished(300000);
    if (exitCode)
        *exitCode = finished && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromUtf8(process.readAll());
}

class Package : public ::testing::Test {
  protected:
    void SetUp() override
    {
        for (const char* tool : {"dpkg-deb", "dpkg-shlibdeps", "file"})
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                GTEST_SKIP() << tool << " is not installed: the package cannot be built here";
        int status = -1;
        const QString log =
            runTool(QStringLiteral(HALVORN_CPACK),
                    {u"-G"_s, u"DEB"_s, u"--config"_s, QStringLiteral(HALVORN_BUILD_DIR "/CPackConfig.cmake"),
                     u"-B"_s, out.path()},
                    &status);
        ASSERT_EQ(status, 0) << log.toStdString();
        const QStringList debs = QDir(out.path()).entryList({u"halvorn_*.deb"_s});
        ASSERT_EQ(debs.size(), 1) << log.toStdString();
        deb = out.filePath(debs.first());
    }

    QTemporaryDir out;
    QString deb;
};

} // namespace

TEST_F(Package, TheDebHoldsTheInstalledLayoutUnderUsr)
{
    const QString contents = runTool(u"dpkg-deb"_s, {u"--contents"_s, deb});
    const char* const expected[] = {"./usr/bin/halvorn",
                                    "./usr/lib/halvorn/halvorn_sound.so",
                                    "./usr/share/halvorn/manual/index.html",
                                    "./usr/share/applications/org.halvorn.Halvorn.desktop",
                                    "./usr/share/metainfo/org.halvorn.Halvorn.metainfo.xml",
                                    "./usr/share/icons/hicolor/scalable/apps/org.halvorn.Halvorn.svg",
                                    "./usr/share/man/man1/halvorn.1.gz",
                                    "./usr/share/doc/halvorn/copyright"};
    for (const char* path : expected)
        EXPECT_TRUE(contents.contains(u' ' + QString::fromLatin1(path) + u'\n')) << path;
    EXPECT_FALSE(contents.contains(u"/usr/include"_s)) << "nothing of the build's own libraries";
}

// shlibdeps sees the linked libraries; those opened at their first call
// (curl, TLS, port mapping) must be named by hand, the optional services
// recommended.
TEST_F(Package, TheDebDependsOnWhatItLinksAndOpensLateAndRecommendsTheServices)
{
    const QString depends = runTool(u"dpkg-deb"_s, {u"--field"_s, deb, u"Depends"_s});
    for (const char* package : {"libqt6widgets6", "libgmime-3.0-0", "libcurl4", "libssl3", "libminiupnpc"})
        EXPECT_TRUE(depends.contains(QString::fromLatin1(package)))
            << package << " in " << depends.toStdString();
    const QString recommends = runTool(u"dpkg-deb"_s, {u"--field"_s, deb, u"Recommends"_s});
    for (const char* package : {"gnome-keyring", "dbus-user-session"})
        EXPECT_TRUE(recommends.contains(QString::fromLatin1(package))) << package;
}

TEST_F(Package, LintianReportsNoErrors)
{
    if (QStandardPaths::findExecutable(u"lintian"_s).isEmpty())
        GTEST_SKIP() << "lintian is not installed";
    int status = -1;
    const QString report = runTool(u"lintian"_s, {deb}, &status);
    const QRegularExpression error(u"^E: "_s, QRegularExpression::MultilineOption);
    EXPECT_FALSE(report.contains(error)) << report.toStdString();
}
