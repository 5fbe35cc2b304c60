#pragma once

// The folder's shared fixtures and the headers its tests have in common.
#include "core/AppHooks.h"
#include "core/CoreState.h"
#include "core/Form1.h"
#include "mail/AddressBook.h"
#include "mail/ComposerWiring.h"
#include "mail/MailCheck.h"
#include "mail/MailProgram.h"
#include "mail/MailSettings.h"
#include "mail/MailWiring.h"
#include "mail/MimeMessage.h"
#include "mail/frmMail.h"
#include "mail/frmPop3.h"
#include "platform/MessageBoxes.h"
#include "platform/Pop3Client.h"
#include "support/MailServers.h"
#include "support/PlatformDoubles.h"
#include "support/TempHome.h"

#include <QtTest>
#include <QtWidgets>
#include <gtest/gtest.h>
#include <memory>

using namespace Qt::StringLiterals;

// A fresh program directory and every platform service doubled.
class MailTest : public ::testing::Test {
  protected:
    TempHome home;
    PlatformDoubles doubles;
};

// The composer's hooks and a sender; sent mail goes to a plain SMTP server
// unless a test asks for more.
class ComposerFixture : public MailTest {
  protected:
    void SetUp() override
    {
        InstallComposerHooks();
        MailSettings& s = Mail().settings();
        s.txtUserName = u"Anna Test"_s;
        s.txtReturnAddress = u"anna@example.test"_s;
        s.smtpTls = u"off"_s;
    }
    void TearDown() override { Mail().reset(); }

    // The composer showing a message, as the mailbox window leaves it.
    frmMail& reading(const QByteArray& raw)
    {
        Mail().globals.Read = ParseMimeMessage(raw);
        frmMail& c = Mail().composer();
        c.showMessage(Mail().globals.Read);
        c.MailMsgKey = "uid-1";
        c.Read();
        return c;
    }
    // Sends what the composer holds; the bytes that arrived (empty when none did).
    QByteArray sentThrough(SmtpTestServer& server, frmMail& composer)
    {
        Mail().settings().txtSendMailServer = server.address();
        const qsizetype before = server.received().size();
        composer.cmdControl_Click(0);
        if (server.received().size() != before + 1)
            return QByteArray();
        sent = server.received().last();
        // The message id is unique by design (number, random part, sender's domain); all else is fixed.
        return QString::fromUtf8(sent.data)
            .replace(QRegularExpression(u"Message-ID: <\\d+\\.[0-9a-f]{16}@example\\.test>"_s),
                     u"Message-ID: <ID>"_s)
            .toUtf8();
    }

    SmtpTestServer::Received sent;
};

// With an offscreen main window with mail attached, the "You have mail" icon
// doubled too, and mail settings pointed at a real POP3 server when a test starts one.
class MailCheckFixture : public MailTest {
  protected:
    void SetUp() override
    {
        Core() = CoreState{};
        Core().DebugToFile = true;
        Core().LocalIP = u"192.0.2.7"_s;
        doubles.sound.outputs = 1;
        InstallMailHooks();
        openMainWindow();
        Mail().settings().txtSound = {u"/snd/new.wav"_s, u"/snd/none.wav"_s, u"/snd/deleted.wav"_s};
    }
    // The main window with mail checking on, as a program start leaves it.
    void openMainWindow()
    {
        form = std::make_unique<Form1>();
        AttachMail(*form);
        form->action(u"mnuMin"_s)->setChecked(true);
        Hooks().loadMailbox();
        check().Timer1.stop(); // tests tick by hand
        Mail().settings().chkMail = true;
    }
    void TearDown() override
    {
        Mail().reset();
        form.reset();
        Hooks() = AppHooks{};
        Core() = CoreState{};
    }

    MailCheck& check() { return Mail().check(); }
    void useServer(const Pop3TestServer& server)
    {
        ASSERT_TRUE(server.started());
        MailSettings& s = Mail().settings();
        s.txtHost = server.address();
        s.txtlogin = server.user();
        s.txtPass = server.password();
        // A server with a throwaway certificate is used encrypted, the way a
        // new settings file asks for; a plain one only by explicit choice.
        s.pop3Tls = server.tlsPort() ? u"require"_s : u"off"_s;
        s.tlsVerify = !server.tlsPort();
    }
    // One tick on which a check is due (a manual one when asked for).
    void dueTick(bool manual = false)
    {
        check().CheckNow = manual;
        check().MailTicks = 1000000;
        check().Timer1_Timer();
    }
    QString debugLog() const { return QString::fromUtf8(home.readFile(u"debug.log"_s)); }
    // The texts of column i, top to bottom as the list shows them.
    QStringList column(int i) const
    {
        QStringList rows;
        const QAbstractItemModel* list = Mail().mailbox().lMessages->model();
        for (int r = 0; r < list->rowCount(); ++r)
            rows << list->index(r, i).data().toString();
        return rows;
    }
    // Selects the listing's rows (0-based, server order) as a user's clicks would.
    void selectRows(std::initializer_list<int> rows)
    {
        QVector<QByteArray> keys;
        for (int r : rows)
            keys << check().listing().value(r).Key;
        Mail().mailbox().selectKeys(keys);
    }
    static QByteArray message(int n, const QByteArray& extraHeaders = {},
                              const QByteArray& body = "Hello.\r\n")
    {
        return "From: Sender " + QByteArray::number(n) + " <s" + QByteArray::number(n) +
               "@example.org>\r\nDate: Mon, 7 Dec 2026 10:" + QByteArray::number(10 + n % 50) +
               ":00 +0000\r\nSubject: Message " + QByteArray::number(n) + "\r\n" + extraHeaders + "\r\n" +
               body;
    }

    platform::FakeTrayArea mailTray;
    platform::ScopedMailTrayOverride mailTrayOverride{mailTray};
    std::unique_ptr<Form1> form;
};
