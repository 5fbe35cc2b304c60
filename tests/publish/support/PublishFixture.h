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
#include "support/PlatformDoubles.h"
#include "support/TempHome.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>

#include <gtest/gtest.h>

#include <memory>

// An offscreen main window with publishing attached, a fresh program
// directory, every platform service doubled and a scripted resolver that
// gives this machine the address 192.0.2.7.
class PublishFixture : public ::testing::Test {
  protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        hosts.hostName = QStringLiteral("testhost");
        hosts.forward[QStringLiteral("testhost")] = {QStringLiteral("192.0.2.7")};
        hosts.reverse[QStringLiteral("192.0.2.7")] = QStringLiteral("testhost.example");
        Core() = CoreState{};
        Core().DebugToFile = true;
        Core().LocalIP = QStringLiteral("192.0.2.7");
        Core().LocalHostName = QStringLiteral("testhost.example");
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
    QString debugLog() const { return QString::fromUtf8(home.readFile(QStringLiteral("debug.log"))); }
    QString ini(const QString& section, const char* key) const
    {
        return ReadIni(section, QString::fromLatin1(key), QStringLiteral("<none>"));
    }
    // The Default profile pointed at a server, with plain pages (no comment
    // block, no credits) so expected bytes are easy to write down.
    void fillProfile(const QString& host, const QString& dir = QStringLiteral("public_html"))
    {
        WriteIni(QStringLiteral("StartUp"), QStringLiteral("RemoveComments"), QStringLiteral("True"));
        mainAction("mnucredits")->setChecked(false);
        form->txtHost->setText(host);
        form->txtlogin->setText(QStringLiteral("tester"));
        form->txtPass->setText(QStringLiteral("secret"));
        form->txtDir->setText(dir);
        form->txtRemoteFile->setText(QStringLiteral("index.html"));
        form->File1->setText(QStringLiteral("on.html"));
        form->File2->setText(QStringLiteral("off.html"));
        home.writeFile(QStringLiteral("on.html"), "<html>\r\n<p>%status% at %IP%</p>\r\n");
        home.writeFile(QStringLiteral("off.html"), "<p>%Status%|%memo%|</p>\r\n");
    }
    std::vector<platform::MsgBoxRequest> boxes() const { return doubles.boxes.shown(); }

    TempHome home;
    PlatformDoubles doubles;
    platform::FakeHostInfo hosts;
    platform::ScopedOverride<platform::HostInfo> hostsOverride{hosts};
    std::unique_ptr<Form1> form;
};
