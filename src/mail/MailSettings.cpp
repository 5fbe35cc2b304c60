#include "mail/MailSettings.h"

#include "core/Encrypt.h"
#include "core/Ini.h"
#include "core/ProgramError.h"
#include "core/TextToBool.h"

#include <curl/curl.h>

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
        pop3Tls = text(kMail, "POP3 TLS", QStringLiteral("require"));
        smtpTls = text(kMail, "SMTP TLS", QStringLiteral("require"));
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

namespace {

// Only an explicit "off" allows clear text. "try" would fall back to it,
// password and all, where no STARTTLS is offered, so it reads as required,
// like any other text.
platform::MailTls mailTls(const QString& text)
{
    return IsMailTlsOff(text) ? platform::MailTls::Off : platform::MailTls::Require;
}

bool encrypted(const platform::MailServerAddress& address, platform::MailTls mode)
{
    return address.implicitTls() || mode != platform::MailTls::Off;
}

} // namespace

platform::MailTls MailSettings::pop3TlsMode() const
{
    return mailTls(pop3Tls);
}
platform::MailTls MailSettings::smtpTlsMode() const
{
    return mailTls(smtpTls);
}

bool MailSettings::lendsPop3Login() const
{
    const platform::MailServerAddress pop3 = platform::ParseMailServer(txtHost, QStringLiteral("pop3"));
    const platform::MailServerAddress smtp =
        platform::ParseMailServer(txtSendMailServer, QStringLiteral("smtp"));
    return pop3.valid() && smtp.valid() && pop3.host.compare(smtp.host, Qt::CaseInsensitive) == 0 &&
           encrypted(smtp, smtpTlsMode());
}

QString MailSettings::smtpUser() const
{
    if (!smtpLogin.isEmpty())
        return smtpLogin;
    return smtpPassword.isEmpty() && !lendsPop3Login() ? QString() : txtlogin.trimmed();
}
QString MailSettings::smtpPass() const
{
    if (!smtpPassword.isEmpty())
        return smtpPassword;
    return lendsPop3Login() ? txtPass : QString();
}

bool IsMailTlsOff(const QString& text)
{
    return text.trimmed().compare(QLatin1String("off"), Qt::CaseInsensitive) == 0;
}

QString WithTlsAdvice(int number, const QString& description, const QString& field)
{
    if (number != int(CURLE_USE_SSL_FAILED))
        return description;
    return QStringLiteral("The %1 server offers no encryption (STARTTLS), so the password was not sent. "
                          "To allow clear text on this server, set %1 encryption to Off in Email > Setup "
                          "(Security).")
        .arg(field);
}
