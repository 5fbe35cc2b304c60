#include "mail/MailMessage.h"

void MailMessage::reset(qint32 size)
{
    *this = MailMessage();
    Size = size;
}

void MailMessage::addHeader(const QByteArray& name, const QByteArray& value)
{
    Headers += name + ": " + value + "\r\n";
    const QByteArray upper = name.toUpper();
    if (upper == "SUBJECT")
        Subject = value;
    else if (upper == "FROM")
        From = value;
    else if (upper == "DATE")
        Date = value;
}

void MessageTable::resize(int count)
{
    messages_.resize(qMax(0, count));
}

MailMessage& MessageTable::operator[](int n)
{
    Q_ASSERT(n >= 1 && n <= count());
    return messages_[n - 1];
}

const MailMessage& MessageTable::operator[](int n) const
{
    Q_ASSERT(n >= 1 && n <= count());
    return messages_[n - 1];
}
