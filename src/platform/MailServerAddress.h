#pragma once

#include "platform/StartTls.h"

#include <QString>

namespace platform {

using MailTls = StartTls;

// A mail server field as the user typed it, made into a libcurl URL:
// "name" and "name:port" use the protocol's plain port (POP3 110, SMTP 25);
// "pop3://", "pop3s://" (995), "smtp://", "smtps://" (465) URLs give the
// scheme and optionally the port. IPv6 literals go in brackets.
struct MailServerAddress {
    QString scheme; // "pop3", "pop3s", "smtp" or "smtps"
    QString host;   // without brackets
    int port = 0;
    QString error; // why the text is not a server address; empty when valid

    bool valid() const { return error.isEmpty(); }
    bool implicitTls() const { return scheme.endsWith(u's'); }
    // "pop3s://host:995" with IPv6 literals bracketed.
    QString url() const;
};

// plainScheme is "pop3" or "smtp": the protocol the field is for.
MailServerAddress ParseMailServer(const QString& text, const QString& plainScheme);

} // namespace platform
