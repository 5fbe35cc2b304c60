#pragma once

#include <QByteArray>

// The message retrieved for reading, as the server sent it; the composer
// parses Raw for display (MimeMessage.h).
struct MailMessage {
    qint32 Size = 0; // as the server listed it
    // The whole message as retrieved: CR LF line ends, dot-stuffing undone,
    // at most 16 MiB.
    QByteArray Raw;

    // The state before a message is retrieved.
    void reset(qint32 size)
    {
        Raw.clear();
        Size = size;
    }
};
