#include "publish/AddressLookup.h"
#include "publish/ConnectionWatch.h"
#include "publish/PublicAddress.h"
#include "publish/SampleTemplates.h"
#include "support/PublishFixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

using namespace publish;

class Watch : public PublishFixture {
  protected:
    void SetUp() override
    {
        PublishFixture::SetUp();
        WriteIni(QStringLiteral("Profile"), QStringLiteral("Count"), QStringLiteral("1"));
        WriteIni(QStringLiteral("Profile"), QStringLiteral("1"), QStringLiteral("Site"));
        for (const QString& name : {QStringLiteral("Default"), QStringLiteral("Site")}) {
            WriteIni(name, QStringLiteral("Host"), QStringLiteral("file://") + site.path());
            WriteIni(name, QStringLiteral("RemoteFile"), name + QStringLiteral(".html"));
            WriteIni(name, QStringLiteral("HTML ONline"), QStringLiteral("on.html"));
        }
        WriteIni(QStringLiteral("Site"), QStringLiteral("AUTO"), QStringLiteral("True"));
        LoadProfiles(*form);
        mainAction("mnuGoOnline")->setChecked(true);
    }
    bool published(const char* name) const
    {
        return QFile::exists(QDir(site.path()).filePath(QString::fromLatin1(name)));
    }
    void forget() { QFile::remove(QDir(site.path()).filePath(QStringLiteral("Site.html"))); }

    QTemporaryDir site;
};

TEST_F(Watch, PublishesSelectedProfilesWhoseAddressOrStatusIsStale)
{
    WriteIni(QStringLiteral("Site"), QStringLiteral("Status"), QStringLiteral("Online"));
    WriteIni(QStringLiteral("Site"), QStringLiteral("Current IP"), QStringLiteral("192.0.2.7"));
    Timer3_Timer(*form);
    EXPECT_FALSE(published("Site.html"));    // same address, already online
    EXPECT_FALSE(published("Default.html")); // not selected

    WriteIni(QStringLiteral("Site"), QStringLiteral("Status"), QStringLiteral("Offline"));
    Timer3_Timer(*form);
    EXPECT_TRUE(published("Site.html"));
    EXPECT_EQ(ini(QStringLiteral("Site"), "Status"), QStringLiteral("Online"));
    EXPECT_TRUE(form->Combo1->isEnabled());

    forget();
    Timer3_Timer(*form);
    EXPECT_FALSE(published("Site.html"));

    // The address changes: the profile goes out again with the new one.
    hosts.forward[QStringLiteral("testhost")] = {QStringLiteral("192.0.2.99")};
    Timer3_Timer(*form);
    EXPECT_TRUE(published("Site.html"));
    EXPECT_EQ(ini(QStringLiteral("Site"), "Current IP"), QStringLiteral("192.0.2.99"));
}

TEST_F(Watch, DoesNothingWhenOffOneShotUnselectedOrWithoutAddress)
{
    mainAction("mnuGoOnline")->setChecked(false);
    Timer3_Timer(*form);
    EXPECT_FALSE(published("Site.html"));
    EXPECT_EQ(hosts.forwardLookups, 0);

    mainAction("mnuGoOnline")->setChecked(true);
    Core().ExitAfterUpload = true;
    Timer3_Timer(*form);
    EXPECT_FALSE(published("Site.html"));
    Core().ExitAfterUpload = false;

    hosts.forward[QStringLiteral("testhost")] = {QStringLiteral("127.0.1.1")};
    hosts.interfaces.clear();
    Timer3_Timer(*form);
    EXPECT_FALSE(published("Site.html"));

    hosts.forward[QStringLiteral("testhost")] = {QStringLiteral("192.0.2.7")};
    form->autoWindow()->lstProfiles->clearSelection();
    Timer3_Timer(*form);
    EXPECT_FALSE(published("Site.html"));
}

TEST_F(Watch, Timer3RunsTheCheckOnceAndStopsItself)
{
    WriteIni(QStringLiteral("Site"), QStringLiteral("Status"), QStringLiteral("Offline"));
    form->Timer3->setInterval(1);
    form->Timer3->start();

    QElapsedTimer deadline;
    deadline.start();
    while (!published("Site.html") && deadline.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_TRUE(published("Site.html"));
    EXPECT_FALSE(form->Timer3->isActive());
}

TEST_F(Watch, AFailedProfileDoesNotStopTheOthers)
{
    WriteIni(QStringLiteral("Default"), QStringLiteral("AUTO"), QStringLiteral("True"));
    WriteIni(QStringLiteral("Default"), QStringLiteral("Host"), QStringLiteral("file:///no/such/folder"));
    LoadProfiles(*form);
    Timer3_Timer(*form);
    EXPECT_FALSE(published("Default.html"));
    EXPECT_TRUE(published("Site.html"));
}

class AddressLookup : public PublishFixture {};

TEST_F(AddressLookup, LoopbackFallsBackToTheFirstInterfaceAndEverythingIsLogged)
{
    hosts.forward[QStringLiteral("testhost")] = {QStringLiteral("127.0.1.1")};
    hosts.interfaces = {QStringLiteral("10.0.0.5"), QStringLiteral("192.168.1.9"), QStringLiteral("fd00::5")};
    hosts.reverse[QStringLiteral("10.0.0.5")] = QStringLiteral("box.lan");
    StartSock(*form);
    EXPECT_EQ(Core().LocalIP, QStringLiteral("10.0.0.5"));
    EXPECT_EQ(Core().LocalHostName, QStringLiteral("box.lan"));
    EXPECT_EQ(form->IP->text(), QStringLiteral("10.0.0.5"));
    EXPECT_EQ(form->IP->toolTip(), QStringLiteral("box.lan"));
    const QString log = debugLog();
    EXPECT_TRUE(log.contains(QStringLiteral("using the interface address 10.0.0.5")));
    EXPECT_TRUE(log.contains(QStringLiteral("Local Address: 10.0.0.5")));
    EXPECT_TRUE(log.contains(QStringLiteral("Other Addresses: 192.168.1.9 fd00::5")));
    EXPECT_TRUE(log.contains(QStringLiteral("Local Hostname: box.lan")));
    EXPECT_TRUE(log.contains(QString(60, u'-')));
}

TEST_F(AddressLookup, AReverseNameThatIsNoHostNameIsIgnored)
{
    hosts.reverse[QStringLiteral("192.0.2.7")] = QStringLiteral("<b>x</b>");
    StartSock(*form);
    EXPECT_EQ(Core().LocalHostName, QStringLiteral("testhost"));
    EXPECT_EQ(form->IP->textFormat(), Qt::PlainText);
    EXPECT_EQ(form->ftpStatus->textFormat(), Qt::PlainText);
}

TEST_F(AddressLookup, AForwardAddressIsKeptAndNoOtherLineWithOneInterface)
{
    hosts.interfaces = {QStringLiteral("192.0.2.7")};
    StartSock(*form);
    EXPECT_EQ(Core().LocalIP, QStringLiteral("192.0.2.7"));
    EXPECT_EQ(Core().LocalHostName, QStringLiteral("testhost.example"));
    EXPECT_FALSE(debugLog().contains(QStringLiteral("Other Addresses")));
    EXPECT_FALSE(debugLog().contains(QStringLiteral("using the interface")));
}

TEST_F(AddressLookup, UnusableAddresses)
{
    for (const char* bad :
         {"", "127.0.0.1", "127.0.1.1", "127.255.0.9", "::1", "0.0.0.0", "255.255.255.255", "::"})
        EXPECT_TRUE(IsUnusableAddress(QString::fromLatin1(bad))) << bad;
    for (const char* good : {"192.0.2.7", "10.1.1.1", "2001:db8::1", "home.example.net"})
        EXPECT_FALSE(IsUnusableAddress(QString::fromLatin1(good))) << good;
}

TEST_F(AddressLookup, PublicAddressIsAdvertisedWhenSet)
{
    EXPECT_EQ(AdvertisedAddress(), QStringLiteral("192.0.2.7"));
    auto* field = form->findChild<QLineEdit*>(QStringLiteral("txtPublicAddress"));
    ASSERT_NE(field, nullptr);
    field->setText(QStringLiteral("me.dyn.example"));
    emit field->editingFinished();
    EXPECT_EQ(ini(QStringLiteral("StartUp"), "Public Address"), QStringLiteral("me.dyn.example"));
    EXPECT_EQ(AdvertisedAddress(), QStringLiteral("me.dyn.example"));

    field->setText(QStringLiteral("<script>"));
    emit field->editingFinished();
    EXPECT_EQ(field->text(), QStringLiteral("me.dyn.example"));
    WriteIni(QStringLiteral("StartUp"), QStringLiteral("Public Address"), QStringLiteral("x\"onload=y"));
    EXPECT_EQ(AdvertisedAddress(), QStringLiteral("192.0.2.7")); // a damaged setting is ignored

    QTemporaryDir site;
    WriteIni(QStringLiteral("StartUp"), QStringLiteral("Public Address"), QStringLiteral("me.dyn.example"));
    fillProfile(QStringLiteral("file://") + site.path(), QString());
    form->cmd_Online_Click();
    QFile page(QDir(site.path()).filePath(QStringLiteral("index.html")));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    EXPECT_TRUE(page.readAll().contains("Online at me.dyn.example"));
    EXPECT_EQ(ini(QStringLiteral("Default"), "Current IP"), QStringLiteral("me.dyn.example"));
}

TEST_F(AddressLookup, SampleTemplatesAreWrittenOnceAndUseTheMainVariables)
{
    EXPECT_TRUE(home.exists(QStringLiteral("on.html")));
    EXPECT_TRUE(home.exists(QStringLiteral("off.html")));
    const QByteArray on = home.readFile(QStringLiteral("on.html"));
    for (const char* token : {"%status%", "%time%", "%date%", "%ip%", "%memo%"})
        EXPECT_TRUE(on.contains(token)) << token;
    home.writeFile(QStringLiteral("on.html"), "mine");
    EXPECT_EQ(WriteSampleTemplates(), 0);
    EXPECT_EQ(home.readFile(QStringLiteral("on.html")), "mine");
    QFile::remove(home.file(QStringLiteral("off.html")));
    EXPECT_EQ(WriteSampleTemplates(), 1);
    EXPECT_EQ(home.readFile(QStringLiteral("off.html")), SampleOfflineTemplate());
}
