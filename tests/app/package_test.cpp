// The Debian package CPack makes of this build: what it holds, what it
// depends on, and lintian's verdict. The tools are Debian's own; without
// them the tests say so and skip.
#include "AppFixture.h"

#include <QDir>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {

class Package : public ::testing::Test {
  protected:
    void SetUp() override
    {
        for (const char* tool : {"dpkg-deb", "dpkg-shlibdeps", "file"})
            if (!have(QString::fromLatin1(tool)))
                GTEST_SKIP() << tool << " is not installed: the package cannot be built here";
        const Outcome made =
            runTool(QStringLiteral(HALVORN_CPACK),
                    {u"-G"_s, u"DEB"_s, u"--config"_s, QStringLiteral(HALVORN_BUILD_DIR "/CPackConfig.cmake"),
                     u"-B"_s, out.path()});
        ASSERT_EQ(made.exitCode, 0) << made.output.toStdString();
        const QStringList debs = QDir(out.path()).entryList({u"halvorn_*.deb"_s});
        ASSERT_EQ(debs.size(), 1) << made.output.toStdString();
        deb = out.filePath(debs.first());
    }

    QTemporaryDir out;
    QString deb;
};

} // namespace

TEST_F(Package, TheDebHoldsTheInstalledLayoutUnderUsr)
{
    const QString contents = runTool(u"dpkg-deb"_s, {u"--contents"_s, deb}).output;
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
    const QString depends = runTool(u"dpkg-deb"_s, {u"--field"_s, deb, u"Depends"_s}).output;
    for (const char* package : {"libqt6widgets6", "libgmime-3.0-0", "libcurl4", "libssl3", "libminiupnpc"})
        EXPECT_TRUE(depends.contains(QString::fromLatin1(package)))
            << package << " in " << depends.toStdString();
    const QString recommends = runTool(u"dpkg-deb"_s, {u"--field"_s, deb, u"Recommends"_s}).output;
    for (const char* package : {"gnome-keyring", "dbus-user-session"})
        EXPECT_TRUE(recommends.contains(QString::fromLatin1(package))) << package;
}

TEST_F(Package, LintianReportsNoErrors)
{
    if (!have(u"lintian"_s))
        GTEST_SKIP() << "lintian is not installed";
    const QString report = runTool(u"lintian"_s, {deb}).output;
    const QRegularExpression error(u"^E: "_s, QRegularExpression::MultilineOption);
    EXPECT_FALSE(report.contains(error)) << report.toStdString();
}
