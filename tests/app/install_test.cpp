// The installed program, laid out by `cmake --install` into a temporary
// prefix, and the Debian package CPack makes of the same build.
#include "AppFixture.h"
#include "platform/AppId.h"
#include "platform/WaveOutput.h"

#include <QLibrary>

using namespace Qt::StringLiterals;

namespace {

const QString kId = QString::fromLatin1(kAppId);

class Installed : public ::testing::Test {
  protected:
    void SetUp() override
    {
        const Outcome install =
            runTool(QStringLiteral(HALVORN_CMAKE),
                    {u"--install"_s, QStringLiteral(HALVORN_BUILD_DIR), u"--prefix"_s, prefix.path()});
        ASSERT_EQ(install.exitCode, 0) << install.output.toStdString();
    }
    QString file(const QString& relative) const { return prefix.filePath(relative); }

    QTemporaryDir prefix;
};

} // namespace

TEST_F(Installed, TheInstalledBinaryFindsItsSoundModuleAndManual)
{
    const Outcome version = runTool(file(u"bin/halvorn"_s), {u"--version"_s});
    ASSERT_EQ(version.exitCode, 0) << version.output.toStdString();
    const QString module = file(u"lib/halvorn/"_s + QString::fromLatin1(platform::kSoundModuleFile));
    EXPECT_TRUE(version.output.contains(u"Manual: "_s + file(u"share/halvorn/manual/index.html"_s) + u'\n'))
        << version.output.toStdString();
    EXPECT_TRUE(version.output.contains(u"Sound module: "_s + module + u'\n'))
        << version.output.toStdString();
    QLibrary loaded(module);
    EXPECT_TRUE(loaded.resolve(platform::kCreateWaveOutputSymbol)) << loaded.errorString().toStdString();
}

TEST_F(Installed, TheDesktopFilesAreNamedAfterTheProgramsId)
{
    const QString files[] = {
        u"share/applications/"_s + kId + u".desktop"_s, u"share/metainfo/"_s + kId + u".metainfo.xml"_s,
        u"share/icons/hicolor/scalable/apps/"_s + kId + u".svg"_s,
        u"share/icons/hicolor/symbolic/apps/"_s + kId + u"-symbolic.svg"_s, u"share/man/man1/halvorn.1.gz"_s};
    for (const QString& name : files)
        EXPECT_TRUE(QFileInfo::exists(file(name))) << name.toStdString();
    QFile entry(file(files[0]));
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    const QByteArray text = entry.readAll();
    EXPECT_TRUE(text.contains("\nIcon=" + kId.toLatin1() + '\n'));
    EXPECT_TRUE(text.contains("\nX-GNOME-UsesNotifications=true\n"));
}

TEST_F(Installed, TheDesktopEntryAndMetainfoPassTheirValidators)
{
    const struct {
        QString tool;
        QStringList arguments;
    } checks[] = {
        {u"desktop-file-validate"_s, {file(u"share/applications/"_s + kId + u".desktop"_s)}},
        {u"appstreamcli"_s,
         {u"validate"_s, u"--no-net"_s, file(u"share/metainfo/"_s + kId + u".metainfo.xml"_s)}},
    };
    for (const auto& check : checks) {
        SCOPED_TRACE(check.tool.toStdString());
        if (!have(check.tool))
            GTEST_SKIP() << check.tool.toStdString() << " is not installed";
        const Outcome outcome = runTool(check.tool, check.arguments);
        EXPECT_EQ(outcome.exitCode, 0) << outcome.output.toStdString();
    }
}

TEST_F(Installed, TheManualPageReadsWithoutWarnings)
{
    if (!have(u"man"_s))
        GTEST_SKIP() << "man is not installed";
    const Outcome page =
        runTool(u"man"_s, {u"--warnings"_s, u"-l"_s, file(u"share/man/man1/halvorn.1.gz"_s)});
    EXPECT_EQ(page.exitCode, 0);
    EXPECT_TRUE(page.output.contains(u"-min"_s)) << page.output.toStdString();
    EXPECT_FALSE(page.output.contains(u"warning"_s)) << page.output.toStdString();
}
