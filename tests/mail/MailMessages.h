#pragma once

#include "support/FileBytes.h"

#include <QString>

// A file of tests/mail/messages: the real-world messages and the files they carry.
inline QByteArray MessageFile(const QString& name)
{
    return FileBytes(QStringLiteral(HALVORN_MAIL_MESSAGES "/") + name);
}
