#include "mail/MailSettings.h"

#include "core/Encrypt.h"
#include "core/Ini.h"
#include "core/ProgramError.h"
#include "core/TextToBool.h"

namespace {

const QString kMail = QStringLiteral("Mail");
const QString kSounds = QStringLiteral("Sounds");
const QString kStartup = QStringLiteral("Startup");

QString text(const QString& section, const char* key, const QString& defaultValue = QString())
{
    return ReadIni(section, QString::fromLatin1(key), defaultValue);
}

bool flag(const QString& section, const char* key, const char* defaultText)
{
    return TextToBool(text(section, key, QString::fromLatin1(defaultText)));
}

void write(const QString& section, const char* key, const QString& value)
{
    if (!WriteIni(section, QString::fromLatin1(key), value))
        throw ProgramError(err::kPermissionDenied, IniPath());
}

void writePassword(const char* key, const QString& password)
{
    if (!SaveStoredPassword(kStartup, QString::fromLatin1(key), password))
        throw ProgramError(err::kPermissionDenied, IniPath());
}

QString soundKey(int index)
{
    return QStringLiteral("Mail-%1").arg(index + 1);
}

} // namespace

void MailSettings::LoadMailSettings()
{
    TrapErrors("Load E-Mail Settings", [this] {
        txtHost = text(kMail, "Host");
        chkMail = flag(kMail, "Enabled", "0");
        txtlogin = text(kMail, "Login");
        txtReturnAddress = text(kMail, "Return Address");
        txtCount = text(kMail, "Interval");
        txtBrowser = text(kMail, "Exteranl Browser");
        chkLnchEmail = flag(kMail, "Browser Enabled", "0");
        txtUserName = text(kMail, "User Name");
        txtSendMailServer = text(kMail, "SMTP Server");
        txtSig = text(kMail, "Sig File");
        chkDelOnRead = flag(kMail, "Delete On Read", "0");
        chkDelOnReply = flag(kMail, "Delete on Reply", "0");
        ChkCfmMsgSent = flag(kMail, "Confirm Msg Sent", "1");
        chkCfmDel = flag(kMail, "Confirm Delete", "1");
        for (int i = 0; i < 3; ++i) {
            chkSound[size_t(i)] =
                TextToBool(ReadIni(kSounds, soundKey(i) + QStringLiteral(" Enabled"), QStringLiteral("0")));
            txtSound[size_t(i)] = ReadIni(kSounds, soundKey(i), QString());
        }
        pop3Tls = text(kMail, "POP3 TLS", QStringLiteral("off"));
        smtpTls = text(kMail, "SMTP TLS", QStringLiteral("off"));
        tlsVerify = flag(kMail, "TLS Verify", "True");
        smtpLogin = text(kMail, "SMTP Login");
        // LoadPass hands over the POP3 password; the SMTP one is ours alone.
        smtpPassword = LoadStoredPassword(kStartup, QStringLiteral("SMTPPass"));
    });
    emit reloaded();
}

void MailSettings::SaveMail()
{
    TrapErrors("SaveMail", [this] {
        write(kMail, "Enabled", BoolText(chkMail));
        write(kMail, "Host", txtHost);
        write(kMail, "Login", txtlogin);
        write(kMail, "Return Address", txtReturnAddress);
        write(kMail, "Interval", txtCount);
        write(kMail, "Exteranl Browser", txtBrowser);
        write(kMail, "Browser Enabled", BoolText(chkLnchEmail));
        write(kMail, "User Name", txtUserName);
        write(kMail, "SMTP Server", txtSendMailServer);
        write(kMail, "Sig File", txtSig);
        write(kMail, "Delete On Read", BoolText(chkDelOnRead));
        write(kMail, "Delete on Reply", BoolText(chkDelOnReply));
        write(kMail, "Confirm Msg Sent", BoolText(ChkCfmMsgSent));
        write(kMail, "Confirm Delete", BoolText(chkCfmDel));
        writePassword("MailPass", txtPass);
        for (int i = 0; i < 3; ++i) {
            if (!WriteIni(kSounds, soundKey(i) + QStringLiteral(" Enabled"), BoolText(chkSound[size_t(i)])) ||
                !WriteIni(kSounds, soundKey(i), txtSound[size_t(i)]))
                throw ProgramError(err::kPermissionDenied, IniPath());
        }
        write(kMail, "POP3 TLS", pop3Tls);
        write(kMail, "SMTP TLS", smtpTls);
        write(kMail, "TLS Verify", BoolText(tlsVerify));
        write(kMail, "SMTP Login", smtpLogin);
        writePassword("SMTPPass", smtpPassword);
    });
}

platform::MailTls MailSettings::pop3TlsMode() const
{
    return platform::ParseStartTls(pop3Tls);
}
platform::MailTls MailSettings::smtpTlsMode() const
{
    return platform::ParseStartTls(smtpTls);
}
QString MailSettings::smtpUser() const
{
    return smtpLogin.isEmpty() ? txtlogin.trimmed() : smtpLogin;
}
QString MailSettings::smtpPass() const
{
    return smtpPassword.isEmpty() ? txtPass : smtpPassword;
}
