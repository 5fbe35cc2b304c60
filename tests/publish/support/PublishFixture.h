#pragma once

#include "core/AppHooks.h"
#include "core/CoreState.h"
#include "core/Form1.h"
#include "core/Ini.h"
#include "core/Loaders.h"
#include "core/frmAuto.h"
#include "platform/doubles/FakeHostInfo.h"
#include "publish/PublishWiring.h"
#include "publish/Publisher.h"
#include "FtpTestServer.h"
#include "support/PlatformDoubles.h"
#include "support/TempHome.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>

#include <memory>

using namespace Qt::StringLiterals;

// An offscreen main window with publishing attached, a fresh program
// directory, every platform service doubled and a scripted resolver that
// gives this machine the address 192.0.2.7.
class PublishFixture : public ::testing::Test {
  protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        hosts.hostName = u"testhost"_s;
        hosts.forward[u"testhost"_s] = {u"192.0.2.7"_s};
        hosts.reverse[u"192.0.2.7"_s] = u"testhost.example"_s;
        Core() = CoreState{};
        Core().DebugToFile = true;
        Core().LocalIP = u"192.0.2.7"_s;
        Core().LocalHostName = u"testhost.example"_s;
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

    publish::Publisher& publisher() { return *publish::CurrentPublisher(); }
    QAction* mainAction(const char* name)
    {
        return form->findChild<QAction*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
    }
    QString debugLog() const { return QString::fromUtf8(home.readFile(u"debug.log"_s)); }
    QString ini(const QString& section, const char* key) const
    {
        return ReadIni(section, QString::fromLatin1(key), u"<none>"_s);
    }
    // The Default profile pointed at a server, with plain pages (no comment
    // block, no credits) so expected bytes are easy to write down.
    void fillProfile(const QString& host, const QString& dir = u"public_html"_s)
    {
        WriteIni(u"StartUp"_s, u"RemoveComments"_s, u"True"_s);
        mainAction("mnucredits")->setChecked(false);
        form->txtHost->setText(host);
        form->txtlogin->setText(u"tester"_s);
        form->txtPass->setText(u"secret"_s);
        form->txtDir->setText(dir);
        form->txtRemoteFile->setText(u"index.html"_s);
        form->File1->setText(u"on.html"_s);
        form->File2->setText(u"off.html"_s);
        home.writeFile(u"on.html"_s, "<html>\r\n<p>%status% at %IP%</p>\r\n");
        home.writeFile(u"off.html"_s, "<p>%Status%|%memo%|</p>\r\n");
    }
    // Default and Site (in slot 1) publishing Default.html / Site.html into
    // the folder site, online from on.html, offline from bye.html.
    void twoLocalProfiles()
    {
        WriteIni(u"Profile"_s, u"Count"_s, u"1"_s);
        WriteIni(u"Profile"_s, u"1"_s, u"Site"_s);
        for (const QString& name : {u"Default"_s, u"Site"_s}) {
            WriteIni(name, u"Host"_s, u"file://"_s + site.path());
            WriteIni(name, u"RemoteFile"_s, name + u".html"_s);
            WriteIni(name, u"HTML ONline"_s, u"on.html"_s);
            WriteIni(name, u"HTML OFFline"_s, u"bye.html"_s);
        }
        home.writeFile(u"bye.html"_s, "%status%");
        LoadProfiles(*form);
    }
    QByteArray sitePage(const char* name) const { return slurp(site.filePath(QString::fromLatin1(name))); }
    std::vector<platform::MsgBoxRequest> boxes() const { return doubles.boxes.shown(); }

    TempHome home;
    PlatformDoubles doubles;
    platform::FakeHostInfo hosts;
    platform::ScopedOverride<platform::HostInfo> hostsOverride{hosts};
    std::unique_ptr<Form1> form;
    QTemporaryDir site;
};
