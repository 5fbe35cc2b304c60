#include "mail/MailSender.h"

#include "core/ProgramError.h"
#include "mail/MailSettings.h"
#include "mail/MailText.h"
#include "platform/Clock.h"
#include "platform/SmtpClient.h"

#include <QFile>
#include <QFileInfo>

namespace {

// A signature is a few lines; anything far larger is not one.
constexpr qint64 kSignatureByteLimit = 64 * 1024;

} // namespace

QString ReadSignature(const QString& typedPath)
{
    const QString trimmed = typedPath.trimmed();
    // Only plain files: a pipe or a device would block or never end.
    if (trimmed.isEmpty() || !QFileInfo(trimmed).isFile())
        return QString();
    QFile file(typedPath);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QString signature;
    qint64 taken = 0;
    while (!file.atEnd() && taken < kSignatureByteLimit) {
        QByteArray line = file.readLine(kSignatureByteLimit - taken + 1);
        if (line.isEmpty() && file.error() != QFileDevice::NoError)
            return QString();
        taken += line.size();
        if (line.endsWith('\n'))
            line.chop(1);
        if (line.endsWith('\r'))
            line.chop(1);
        signature += DisplayText(line) + QLatin1String("\r\n");
    }
    return signature;
}

SendOutcome SendOutgoingMail(const OutgoingMail& mail, const MailSettings& settings)
{
    SendOutcome outcome;
    const PreparedMail prepared = PrepareMail(mail, platform::clock().now());
    if (!prepared.error.isEmpty()) {
        outcome.number = err::kInvalidProperty;
        outcome.description = prepared.error;
        return outcome;
    }

    platform::SmtpClient smtp;
    QObject::connect(&smtp, &platform::SmtpClient::Error, &smtp, [&outcome](int number, const QString& text) {
        outcome.number = number;
        outcome.description = WithTlsAdvice(number, text, QStringLiteral("SMTP"));
    });
    smtp.host = settings.txtSendMailServer;
    smtp.user = settings.smtpUser();
    smtp.password = settings.smtpPass();
    smtp.tls = settings.smtpTlsMode();
    smtp.verifyPeer = settings.tlsVerify;
    smtp.mailFrom = prepared.envelopeFrom;
    smtp.recipients = prepared.recipients;
    smtp.message = prepared.message;

    outcome.sent = smtp.connectToServer() && smtp.send();
    smtp.quit();
    if (!outcome.sent && outcome.number == 0) {
        outcome.number = err::kInternal;
        outcome.description = smtp.lastReply();
    }
    return outcome;
}
