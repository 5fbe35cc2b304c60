#include "publish/AddressLookup.h"
#include "publish/ConnectionWatch.h"
#include "publish/PublicAddress.h"
#include "publish/SampleTemplates.h"
#include "support/ProgramRun.h"
#include "support/PublishFixture.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>

using namespace publish;

class Watch : public PublishFixture {
  protected:
    void SetUp() override
    {
        PublishFixture::SetUp();
        WriteIni(u"Site"_s, u"AUTO"_s, u"True"_s);
        twoLocalProfiles();
        mainAction("mnuGoOnline")->setChecked(true);
    }
    bool published(const char* name) const { return QFile::exists(site.filePath(QString::fromLatin1(name))); }
    bool watchOnce() { return Timer3_Timer(*form), published("Site.html"); }
    bool waitForSite()
    {
        return ProgramRun::waitUntil([this] { return published("Site.html"); }, 10000);
    }
};

TEST_F(Watch, PublishesSelectedStaleProfilesOnlyWhenOnNotOneShotAndWithAnAddress)
{
    mainAction("mnuGoOnline")->setChecked(false);
    EXPECT_FALSE(watchOnce());
    EXPECT_EQ(hosts.forwardLookups, 0);

    mainAction("mnuGoOnline")->setChecked(true);
    Core().ExitAfterUpload = true;
    EXPECT_FALSE(watchOnce());
    Core().ExitAfterUpload = false;

    hosts.forward[u"testhost"_s] = {u"127.0.1.1"_s};
    hosts.interfaces.clear();
    EXPECT_FALSE(watchOnce());

    hosts.forward[u"testhost"_s] = {u"192.0.2.7"_s};
    form->autoWindow()->lstProfiles->clearSelection();
    EXPECT_FALSE(watchOnce());
    form->autoWindow()->lstProfiles->item(1)->setSelected(true);
    WriteIni(u"Site"_s, u"Status"_s, u"Online"_s);
    WriteIni(u"Site"_s, u"Current IP"_s, u"192.0.2.7"_s);
    EXPECT_FALSE(watchOnce());               // same address, already online
    EXPECT_FALSE(published("Default.html")); // not selected

    WriteIni(u"Site"_s, u"Status"_s, u"Offline"_s);
    EXPECT_TRUE(watchOnce());
    EXPECT_EQ(ini(u"Site"_s, "Status"), u"Online"_s);
    EXPECT_TRUE(form->Combo1->isEnabled());

    QFile::remove(site.filePath(u"Site.html"_s));
    EXPECT_FALSE(watchOnce());

    // The address changes: the profile goes out again with the new one.
    hosts.forward[u"testhost"_s] = {u"192.0.2.99"_s};
    EXPECT_TRUE(watchOnce());
    EXPECT_EQ(ini(u"Site"_s, "Current IP"), u"192.0.2.99"_s);
}

TEST_F(Watch, Timer3RunsTheCheckOnceAndStopsItselfAndAFailedProfileIsNotifiedButStopsNoOther)
{
    WriteIni(u"Site"_s, u"Status"_s, u"Offline"_s);
    WriteIni(u"Default"_s, u"AUTO"_s, u"True"_s);
    WriteIni(u"Default"_s, u"Host"_s, u"file:///no/such/folder"_s);
    LoadProfiles(*form);
    form->Timer3->setInterval(1);
    form->Timer3->start();
    EXPECT_TRUE(waitForSite());
    EXPECT_FALSE(published("Default.html"));
    EXPECT_FALSE(form->Timer3->isActive());
    // Only the failed automatic publish is notified; by hand the status line tells.
    ASSERT_EQ(doubles.notices.shown.size(), 1u);
    const platform::Notification& n = doubles.notices.shown.back();
    EXPECT_EQ(n.summary + u'|' + n.actionLabel, u"Status page not published|Open Halvorn"_s);
    EXPECT_TRUE(n.body.startsWith(u"Profile Default: "_s) && n.body.size() > 17) << n.body.toStdString();
    form->selectProfile(u"Default"_s);
    form->cmd_Online_Click();
    EXPECT_EQ(ini(u"Default"_s, "Status"), u"<none>"_s);
    EXPECT_EQ(doubles.notices.shown.size(), 1u);
}

TEST_F(Watch, AnAddressChangeFoundByThePeriodicRefreshPublishesAtOnce)
{
    WriteIni(u"Site"_s, u"Status"_s, u"Online"_s);
    WriteIni(u"Site"_s, u"Current IP"_s, u"192.0.2.7"_s);
    StartSock(*form);
    form->Timer3->stop();
    UpdateSock(*form);
    EXPECT_FALSE(form->Timer3->isActive()); // unchanged: the watch stays idle

    hosts.forward[u"testhost"_s] = {u"192.0.2.99"_s};
    UpdateSock(*form);
    EXPECT_EQ(form->IP->text(), u"192.0.2.99"_s);
    EXPECT_TRUE(waitForSite());
    EXPECT_EQ(ini(u"Site"_s, "Current IP"), u"192.0.2.99"_s);
}

TEST_F(Watch, TheAutoListSavesEverySelectionChangeButLoadingWritesNothing)
{
    QListWidget* list = form->autoWindow()->lstProfiles;
    auto press = [list](int key, Qt::KeyboardModifiers modifiers = {}) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(list, &event);
    };
    list->setCurrentRow(1, QItemSelectionModel::NoUpdate);
    press(Qt::Key_Space);
    EXPECT_EQ(ini(u"Site"_s, "AUTO"), u"False"_s);
    press(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(ini(u"Default"_s, "AUTO") + ini(u"Site"_s, "AUTO"), u"TrueTrue"_s);
    WriteIni(u"Default"_s, u"AUTO"_s, u"-1"_s); // True as a number: not rewritten
    LoadProfiles(*form);
    LoadProfiles(*form);
    EXPECT_EQ(ini(u"Default"_s, "AUTO") + ini(u"Site"_s, "AUTO"), u"-1True"_s);
    EXPECT_EQ(list->selectedItems().size(), 2);
}

using AddressLookup = PublishFixture;

TEST_F(AddressLookup, LoopbackFallsBackToTheFirstInterfaceAndEverythingIsLogged)
{
    hosts.forward[u"testhost"_s] = {u"127.0.1.1"_s};
    hosts.interfaces = {u"10.0.0.5"_s, u"192.168.1.9"_s, u"fd00::5"_s};
    hosts.reverse[u"10.0.0.5"_s] = u"box.lan"_s;
    StartSock(*form);
    EXPECT_EQ(QStringList({Core().LocalIP, Core().LocalHostName, form->IP->text(), form->IP->toolTip()}),
              QStringList({u"10.0.0.5"_s, u"box.lan"_s, u"10.0.0.5"_s, u"box.lan"_s}));
    const QString log = debugLog();
    for (const QString& line :
         {u"using the interface address 10.0.0.5"_s, u"Local Address: 10.0.0.5"_s,
          u"Other Addresses: 192.168.1.9 fd00::5"_s, u"Local Hostname: box.lan"_s, QString(60, u'-')})
        EXPECT_TRUE(log.contains(line)) << line.toStdString();
}

TEST_F(AddressLookup, AForwardAddressIsKeptAndABadReverseNameIgnored)
{
    hosts.interfaces = {u"192.0.2.7"_s};
    StartSock(*form);
    EXPECT_EQ(Core().LocalIP + u' ' + Core().LocalHostName, u"192.0.2.7 testhost.example"_s);
    // One interface: no other addresses to list.
    EXPECT_FALSE(debugLog().contains(u"Other Addresses"_s) || debugLog().contains(u"using the interface"_s));

    hosts.reverse[u"192.0.2.7"_s] = u"<b>x</b>"_s; // no host name
    StartSock(*form);
    EXPECT_EQ(Core().LocalHostName, u"testhost"_s);
    EXPECT_TRUE(form->IP->textFormat() == Qt::PlainText && form->ftpStatus->textFormat() == Qt::PlainText);
}

TEST(AddressCheck, UnusableAddresses)
{
    for (const char* bad :
         {"", "127.0.0.1", "127.0.1.1", "127.255.0.9", "::1", "0.0.0.0", "255.255.255.255", "::"})
        EXPECT_TRUE(IsUnusableAddress(QString::fromLatin1(bad))) << bad;
    for (const char* good : {"192.0.2.7", "10.1.1.1", "2001:db8::1", "home.example.net"})
        EXPECT_FALSE(IsUnusableAddress(QString::fromLatin1(good))) << good;
}

TEST_F(AddressLookup, PublicAddressIsAdvertisedWhenSet)
{
    EXPECT_EQ(AdvertisedAddress(), u"192.0.2.7"_s);
    auto* field = form->findChild<QLineEdit*>(u"txtPublicAddress"_s);
    ASSERT_NE(field, nullptr);
    field->setText(u"me.dyn.example"_s);
    emit field->editingFinished();
    EXPECT_EQ(ini(u"StartUp"_s, "Public Address"), u"me.dyn.example"_s);
    EXPECT_EQ(AdvertisedAddress(), u"me.dyn.example"_s);

    field->setText(u"<script>"_s);
    emit field->editingFinished();
    EXPECT_EQ(field->text(), u"me.dyn.example"_s);
    WriteIni(u"StartUp"_s, u"Public Address"_s, u"x\"onload=y"_s);
    EXPECT_EQ(AdvertisedAddress(), u"192.0.2.7"_s); // a damaged setting is ignored

    WriteIni(u"StartUp"_s, u"Public Address"_s, u"me.dyn.example"_s);
    fillProfile(u"file://"_s + site.path(), QString());
    form->cmd_Online_Click();
    EXPECT_TRUE(sitePage("index.html").contains("Online at me.dyn.example"));
    EXPECT_EQ(ini(u"Default"_s, "Current IP"), u"me.dyn.example"_s);
}

TEST_F(AddressLookup, SampleTemplatesAreWrittenOnceAndUseTheMainVariables)
{
    EXPECT_TRUE(home.exists(u"off.html"_s));
    const QByteArray on = home.readFile(u"on.html"_s);
    for (const char* token : {"%status%", "%time%", "%date%", "%ip%", "%memo%"})
        EXPECT_TRUE(on.contains(token)) << token;
    home.writeFile(u"on.html"_s, "mine");
    EXPECT_EQ(WriteSampleTemplates(), 0);
    EXPECT_EQ(home.readFile(u"on.html"_s), "mine");
    QFile::remove(home.file(u"off.html"_s));
    EXPECT_EQ(WriteSampleTemplates(), 1);
    EXPECT_EQ(home.readFile(u"off.html"_s), SampleOfflineTemplate());
}
