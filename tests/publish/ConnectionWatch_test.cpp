#include "publish/AddressLookup.h"
#include "publish/ConnectionWatch.h"
#include "publish/PublicAddress.h"
#include "publish/SampleTemplates.h"
#include "support/ProgramRun.h"
#include "support/PublishFixture.h"

// Default and Site, Site marked Auto Update and selected, Auto Online on.
class Watch : public PublishFixture {
  protected:
    void SetUp() override
    {
        PublishFixture::SetUp();
        WriteIni("Site", "AUTO", "True");
        twoLocalProfiles();
        mainAction("mnuGoOnline")->setChecked(true);
    }
    bool published(const char* name) const { return QFile::exists(site.filePath(name)); }
    bool watchOnce()
    {
        Timer3_Timer(*form);
        return published("Site.html");
    }
    bool waitForSite()
    {
        return ProgramRun::waitUntil([&] { return published("Site.html"); }, 10000);
    }
};

TEST_F(Watch, OnlySelectedStaleProfilesArePublishedWhenOnlineWithAnAddress)
{
    mainAction("mnuGoOnline")->setChecked(false);
    EXPECT_FALSE(watchOnce()); // Auto Online is off
    EXPECT_EQ(hosts.forwardLookups, 0);

    mainAction("mnuGoOnline")->setChecked(true);
    Core().ExitAfterUpload = true;
    EXPECT_FALSE(watchOnce()); // a one-shot run
    Core().ExitAfterUpload = false;

    hosts.forward["testhost"] = {"127.0.1.1"};
    hosts.interfaces.clear();
    EXPECT_FALSE(watchOnce()); // no usable address

    hosts.forward["testhost"] = {"192.0.2.7"};
    form->autoWindow()->lstProfiles->clearSelection();
    EXPECT_FALSE(watchOnce());
    form->autoWindow()->lstProfiles->item(1)->setSelected(true);
    WriteIni("Site", "Status", "Online");
    WriteIni("Site", "Current IP", "192.0.2.7");
    EXPECT_FALSE(watchOnce());               // same address, already online
    EXPECT_FALSE(published("Default.html")); // not selected

    WriteIni("Site", "Status", "Offline");
    EXPECT_TRUE(watchOnce() && form->Combo1->isEnabled());
    EXPECT_EQ(ini("Site", "Status"), "Online");
    QFile::remove(site.filePath("Site.html"));
    EXPECT_FALSE(watchOnce());
}

TEST_F(Watch, ANewAddressFoundByThePeriodicRefreshRepublishesAtOnce)
{
    WriteIni("Site", "Status", "Online");
    WriteIni("Site", "Current IP", "192.0.2.7");
    StartSock(*form);
    form->Timer3->stop();
    UpdateSock(*form);
    EXPECT_FALSE(form->Timer3->isActive()); // unchanged: the watch stays idle
    hosts.forward["testhost"] = {"192.0.2.99"};
    UpdateSock(*form);
    EXPECT_TRUE(waitForSite());
    EXPECT_EQ(form->IP->text() + '|' + ini("Site", "Current IP"), "192.0.2.99|192.0.2.99");
}

// Timer3 runs the check once and stops itself.
TEST_F(Watch, AFailedAutomaticPublishIsNotifiedAndStopsNoOtherProfile)
{
    WriteIni("Default", "AUTO", "True");
    WriteIni("Default", "Host", "file:///no/such/folder");
    LoadProfiles(*form);
    form->Timer3->setInterval(1);
    form->Timer3->start();
    EXPECT_TRUE(waitForSite());
    EXPECT_FALSE(published("Default.html") || form->Timer3->isActive());
    // The notice's wording: BusNotices.EachActionOpensItsOwnWindowAndAnUnknownIdNone.
    ASSERT_EQ(doubles.notices.shown.size(), 1u);
    EXPECT_TRUE(doubles.notices.shown[0].body.startsWith("Profile Default: "));
    // By hand the status line tells instead.
    form->selectProfile("Default");
    form->cmd_Online_Click();
    EXPECT_TRUE(def("Status") == "<none>" && doubles.notices.shown.size() == 1u);
}

// Loading the list writes nothing: StartUpTest.MarkingAProfileInTheAutoListStoresOnlyItsMark.
TEST_F(Watch, TheAutoListSavesEverySelectionChange)
{
    QListWidget* list = form->autoWindow()->lstProfiles;
    QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, {}),
        all(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier);
    list->setCurrentRow(1, QItemSelectionModel::NoUpdate);
    QApplication::sendEvent(list, &space);
    EXPECT_EQ(ini("Site", "AUTO"), "False");
    QApplication::sendEvent(list, &all);
    EXPECT_EQ(def("AUTO") + ini("Site", "AUTO"), "TrueTrue");
}

using AddressLookup = PublishFixture;

TEST_F(AddressLookup, SampleTemplatesAreWrittenOnlyWhereMissing)
{
    home.writeFile("on.html", "mine");
    QFile::remove(home.file("off.html"));
    EXPECT_EQ(WriteSampleTemplates(), 1);
    EXPECT_EQ(home.readFile("on.html"), "mine");
    EXPECT_EQ(home.readFile("off.html"), SampleOfflineTemplate());
    EXPECT_EQ(WriteSampleTemplates(), 0);
}

TEST_F(AddressLookup, TheForwardAddressIsKeptAndAReverseNameThatIsNoHostNameIgnored)
{
    hosts.interfaces = {"192.0.2.7"};
    StartSock(*form);
    EXPECT_EQ(Core().LocalIP + ' ' + Core().LocalHostName, "192.0.2.7 testhost.example");
    EXPECT_FALSE(debugLog().contains("Other Addresses") || debugLog().contains("using the interface"));
    hosts.reverse["192.0.2.7"] = "<b>x</b>";
    StartSock(*form);
    EXPECT_TRUE(Core().LocalHostName == "testhost" && form->IP->textFormat() == Qt::PlainText &&
                form->ftpStatus->textFormat() == Qt::PlainText);
}

TEST_F(AddressLookup, AGivenPublicAddressIsAdvertisedAndAnUnsafeOneRefused)
{
    EXPECT_EQ(AdvertisedAddress(), "192.0.2.7");
    auto* field = form->findChild<QLineEdit*>("txtPublicAddress");
    ASSERT_NE(field, nullptr);
    field->setText("me.dyn.example");
    emit field->editingFinished();
    EXPECT_EQ(ini("StartUp", "Public Address"), "me.dyn.example");
    EXPECT_EQ(AdvertisedAddress(), "me.dyn.example");
    fillLocalProfile();
    form->cmd_Online_Click();
    EXPECT_TRUE(sitePage("index.html").contains("Online at me.dyn.example"));
    EXPECT_EQ(def("Current IP"), "me.dyn.example");

    field->setText("<script>");
    emit field->editingFinished();
    EXPECT_EQ(field->text(), "me.dyn.example");
    WriteIni("StartUp", "Public Address", "x\"onload=y");
    EXPECT_EQ(AdvertisedAddress(), "192.0.2.7"); // a damaged setting is ignored
}

TEST_F(AddressLookup, ALoopbackAddressFallsBackToTheFirstInterface)
{
    hosts.forward["testhost"] = {"127.0.1.1"};
    hosts.interfaces = {"10.0.0.5", "192.168.1.9", "fd00::5"};
    hosts.reverse["10.0.0.5"] = "box.lan";
    StartSock(*form);
    EXPECT_EQ(QStringList({Core().LocalIP, Core().LocalHostName, form->IP->text(), form->IP->toolTip()}),
              QStringList({"10.0.0.5", "box.lan", "10.0.0.5", "box.lan"}));
    const QString log = debugLog();
    for (const QString& line :
         QStringList{"using the interface address 10.0.0.5", "Local Address: 10.0.0.5",
                     "Other Addresses: 192.168.1.9 fd00::5", "Local Hostname: box.lan", QString(60, '-')})
        EXPECT_TRUE(log.contains(line)) << line.toStdString();
}

TEST(UnusableAddress, LoopbackUnspecifiedAndBroadcastAddressesAreUnusable)
{
    for (const char* bad :
         {"", "127.0.0.1", "127.0.1.1", "127.255.0.9", "::1", "0.0.0.0", "255.255.255.255", "::"})
        EXPECT_TRUE(IsUnusableAddress(bad)) << bad;
    for (const char* good : {"192.0.2.7", "10.1.1.1", "2001:db8::1", "home.example.net"})
        EXPECT_FALSE(IsUnusableAddress(good)) << good;
}

// A resolver that is slow the way a real one is: while it "waits", the
// address refresh is asked for again, as the mail timer's next tick would.
struct SlowResolver final : platform::HostInfo {
    std::function<void()> whileWaiting;
    int lookups = 0;
    QString localHostName() override { return "testhost"; }
    QStringList lookupAddresses(const QString&) override
    {
        if (++lookups < 5)
            whileWaiting();
        return {"192.0.2.77"};
    }
    QString reverseName(const QString&) override { return {}; }
    QStringList interfaceAddresses() override { return {}; }
};

TEST_F(AddressLookup, ARefreshAskedForDuringASlowLookupDoesNotStartAnother)
{
    SlowResolver slow;
    slow.whileWaiting = [this] { UpdateSock(*form); };
    platform::ScopedOverride<platform::HostInfo> scoped(slow);
    UpdateSock(*form);
    EXPECT_EQ(slow.lookups, 1);
    EXPECT_EQ(form->IP->text(), "192.0.2.77");
}
