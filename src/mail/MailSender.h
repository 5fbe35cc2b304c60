#pragma once

#include "mail/OutgoingMail.h"

#include <QString>

class MailSettings;

// The signature text: when the trimmed path is not empty and names an
// existing file, the file opened as typed, each line followed by CR LF.
// Empty when there is none or it cannot be read; a huge file is cut.
QString ReadSignature(const QString& typedPath);

struct SendOutcome {
    bool sent = false;
    int number = 0; // the error, when not sent
    QString description;
};

// Prepares the mail and hands it to the SMTP server of the live settings:
// connect, send, quit, each waiting while the windows keep running. The
// SMTP dialogue is not logged anywhere.
SendOutcome SendOutgoingMail(const OutgoingMail& mail, const MailSettings& settings);
