#include "core/Loaders.h"

#include "core/AppHooks.h"
#include "core/CoreState.h"
#include "core/Encrypt.h"
#include "core/Form1.h"
#include "core/Ini.h"
#include "core/PasswordVault.h"
#include "core/ProgramError.h"
#include "core/TextToBool.h"
#include "core/frmAuto.h"
#include "core/frmDebug.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalBlocker>
#include <QTimer>

namespace {

const QString kDefault = QStringLiteral("Default");

struct FieldKey {
    QLineEdit* Form1::*field;
    const char* key;
};

// The profile keys that map one-to-one onto main-window text fields.
const FieldKey kProfileFields[] = {
    {&Form1::txtHost, "Host"},      {&Form1::txtlogin, "Login"},
    {&Form1::txtDir, "RemoteDir"},  {&Form1::txtRemoteFile, "RemoteFile"},
    {&Form1::File1, "HTML ONline"}, {&Form1::File2, "HTML OFFline"},
};

void readProfileFields(Form1& form, const QString& section)
{
    for (const FieldKey& f : kProfileFields)
        (form.*f.field)->setText(ReadIni(section, QString::fromLatin1(f.key), QString()));
}

void addAutoItem(Form1& form, const QString& name, const QString& autoDefault)
{
    auto* item = new QListWidgetItem(name, form.autoWindow()->lstProfiles);
    item->setSelected(TextToBool(ReadIni(name, QStringLiteral("AUTO"), autoDefault)));
}

void setCheck(Form1& form, const char* action, const QString& section, const char* key,
              const QString& defaultValue)
{
    form.action(QString::fromLatin1(action))
        ->setChecked(TextToBool(ReadIni(section, QString::fromLatin1(key), defaultValue)));
}

} // namespace

void LoadProfiles(Form1& form)
{
    TrapErrors("LoadProfiles", [&] {
        form.Combo1->clear();
        form.Combo1->addItem(kDefault);
        form.Combo1->setCurrentIndex(0);
        form.combo1_Click();
        // Rebuilding the list is no user's choice: nothing may be saved from it.
        const QSignalBlocker quiet(form.autoWindow()->lstProfiles);
        form.autoWindow()->lstProfiles->clear();
        addAutoItem(form, kDefault, QStringLiteral("False"));
        const int count = ReadIni(QStringLiteral("Profile"), QStringLiteral("Count"), QString()).toInt();
        for (int slot = 1; slot <= count; ++slot) {
            const QString name = ReadIni(QStringLiteral("Profile"), QString::number(slot), QString());
            if (name.isEmpty())
                continue;
            form.Combo1->addItem(name);
            addAutoItem(form, name, QStringLiteral("false"));
        }
    });
}

void LoadProfileData(Form1& form, const QString& profile)
{
    TrapErrors("LoadProfileData", [&] {
        readProfileFields(form, profile);
        form.lastUpdate->setText(ReadIni(profile, QStringLiteral("Last Update"), QStringLiteral("unknown")));
        const bool online = ReadIni(profile, QStringLiteral("Status"), QString()) == QLatin1String("Online");
        Core().CurrentStatus = online ? QStringLiteral("Online") : QStringLiteral("Offline");
        form.setStatusCaption(Core().CurrentStatus);
        form.txtPass->setText(LoadStoredPassword(profile, QStringLiteral("pass")));
    });
}

void LoadStartup(Form1& form)
{
    TrapErrors("LoadStartup", [&] {
        form.debugWindow()->setDisabledMark(
            TextToBool(ReadIni(QStringLiteral("Debug"), QStringLiteral("Enabled"), QStringLiteral("False"))));
        Core().DebugToFile = TextToBool(
            ReadIni(QStringLiteral("Startup"), QStringLiteral("DebugLog"), QStringLiteral("False")));
        form.txtHtml->setText(ReadIni(QStringLiteral("StartUp"), QStringLiteral("HTML Editor"), QString()));
        setCheck(form, "mnucredits", QStringLiteral("StartUp"), "Credits", QStringLiteral("1"));
        setCheck(form, "mnuMin", QStringLiteral("StartUp"), "Systray", QStringLiteral("0"));
        readProfileFields(form, kDefault);
        Core().CurrentStatus = ReadIni(kDefault, QStringLiteral("Status"), QString());
        const QString dialUp = QStringLiteral("DialUp");
        const QString off = QStringLiteral("0");
        setCheck(form, "mnuRestore", dialUp, "Reconnect", off);
        if (form.action(QStringLiteral("mnuRestore"))->isChecked())
            form.Timer2->start();
        setCheck(form, "mnuGoOnline", dialUp, "Auto Online", off);
        setCheck(form, "mnuGoOffline", dialUp, "Auto Offline", off);
        setCheck(form, "mnuAutoDisconnect", dialUp, "Auto Disconnect", off);
        setCheck(form, "mnuPrompt", dialUp, "Prompt on Exit", off);
    });
}

void LoadPass(Form1& form)
{
    TrapErrors("LoadPass", [&] {
        form.txtPass->setText(LoadStoredPassword(form.Combo1->currentText(), QStringLiteral("pass")));
        const QString mail = LoadStoredPassword(QStringLiteral("Startup"), QStringLiteral("Mailpass"));
        if (Hooks().setMailPassword)
            Hooks().setMailPassword(mail);
    });
}

void StartPasswordVault(Form1& form, bool oneShot)
{
    if (form.findChild<PasswordVault*>())
        return;
    auto* vault = new PasswordVault(&form);
    // What was typed meanwhile stays; only empty fields take the keyring's passwords.
    QObject::connect(vault, &PasswordVault::passwordsArrived, &form, [&form] {
        if (form.txtPass->text().isEmpty())
            form.txtPass->setText(LoadStoredPassword(form.Combo1->currentText(), QStringLiteral("pass")));
        if (Hooks().fillEmptyMailPasswords)
            Hooks().fillEmptyMailPasswords();
    });
    vault->start(oneShot);
}

void SaveProfile(Form1& form)
{
    TrapErrors("mnuSave_Click", [&] {
        const QString section = form.Combo1->currentText();
        if (section.isEmpty())
            return;
        for (const FieldKey& f : kProfileFields)
            WriteIni(section, QString::fromLatin1(f.key), (form.*f.field)->text());
        SaveStoredPassword(section, QStringLiteral("pass"), form.txtPass->text());
    });
}
