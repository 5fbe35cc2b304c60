#pragma once

#include "FtpTestServer.h"
#include "core/AppHooks.h"
#include "core/CoreState.h"
#include "core/Form1.h"
#include "core/Ini.h"
#include "core/Loaders.h"
#include "core/frmAuto.h"
#include "platform/doubles/FakeHostInfo.h"
#include "publish/PublishWiring.h"
#include "publish/Publisher.h"
#include "support/PlatformDoubles.h"
#include "support/TempHome.h"

#include <QtWidgets>

using namespace publish;

// An offscreen main window with publishing attached, a fresh program
// directory, every platform service doubled and a scripted resolver that
// gives this machine the address 192.0.2.7.
class PublishFixture : public ::testing::Test {
  protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        hosts.forward["testhost"] = {"192.0.2.7"};
        hosts.reverse["192.0.2.7"] = "testhost.example";
        Core() = CoreState{};
        Core().DebugToFile = true;
        Core().LocalIP = "192.0.2.7";
        Core().LocalHostName = "testhost.example";
        InstallPublishHooks();
        form = std::make_unique<Form1>();
        AttachPublishing(*form);
        LoadProfiles(*form);
        Core().DebugToFile = true;
    }
    void TearDown() override
    {
        form.reset();
        Hooks() = AppHooks{};
        Core() = CoreState{};
    }

    Publisher& publisher() { return *CurrentPublisher(); }
    QAction* mainAction(const char* name)
    {
        return form->findChild<QAction*>(name, Qt::FindDirectChildrenOnly);
    }
    QString debugLog() const { return QString::fromUtf8(home.readFile("debug.log")); }
    QString ini(const QString& section, const QString& key) const { return ReadIni(section, key, "<none>"); }
    QString def(const QString& key) const { return ini("Default", key); }
    // The Default profile pointed at a server, with plain pages (no comment
    // block, no credits) so expected bytes are easy to write down.
    void fillProfile(const QString& host, const QString& dir = "public_html")
    {
        WriteIni("StartUp", "RemoveComments", "True");
        mainAction("mnucredits")->setChecked(false);
        form->txtHost->setText(host);
        form->txtlogin->setText("tester");
        form->txtPass->setText("secret");
        form->txtDir->setText(dir);
        form->txtRemoteFile->setText("index.html");
        form->File1->setText("on.html");
        form->File2->setText("off.html");
        home.writeFile("on.html", "<html>\r\n<p>%status% at %IP%</p>\r\n");
        home.writeFile("off.html", "<p>%Status%|%memo%|</p>\r\n");
    }
    // The Default profile pointed at the local folder site: no login needed.
    void fillLocalProfile()
    {
        fillProfile("file://" + site.path(), QString());
        form->txtlogin->clear();
        form->txtPass->clear();
    }
    // Default and Site (in slot 1) publishing Default.html / Site.html into
    // the folder site, online from on.html, offline from bye.html.
    void twoLocalProfiles()
    {
        WriteIni("Profile", "Count", "1");
        WriteIni("Profile", "1", "Site");
        for (const QString name : {"Default", "Site"}) {
            WriteIni(name, "Host", "file://" + site.path());
            WriteIni(name, "RemoteFile", name + ".html");
            WriteIni(name, "HTML ONline", "on.html");
            WriteIni(name, "HTML OFFline", "bye.html");
        }
        home.writeFile("bye.html", "%status%");
        LoadProfiles(*form);
    }
    QByteArray sitePage(const QString& name) const { return slurp(site.filePath(name)); }
    std::vector<platform::MsgBoxRequest> boxes() const { return doubles.boxes.shown(); }

    TempHome home;
    PlatformDoubles doubles;
    platform::FakeHostInfo hosts;
    platform::ScopedOverride<platform::HostInfo> hostsOverride{hosts};
    std::unique_ptr<Form1> form;
    QTemporaryDir site;
};
