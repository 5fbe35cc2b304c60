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

namespace {

// A hostile server could send endless header lines or bodies: keep what a
// window can show, drop the rest.
constexpr qsizetype kMaxHeaderBytes = 64 * 1024;
constexpr qsizetype kMaxBodyBytes = 64 * 1024;

} // namespace

void MailMessage::takeHeadersFromRaw()
{
    qsizetype at = 0;
    QByteArray name, value;
    auto flush = [&] {
        if (!name.isEmpty() && Headers.size() + name.size() + value.size() < kMaxHeaderBytes)
            addHeader(name, value.trimmed());
        name.clear();
        value.clear();
    };
    while (at < Raw.size()) {
        qsizetype end = Raw.indexOf('\n', at);
        if (end < 0)
            end = Raw.size();
        QByteArray line = Raw.mid(at, end - at);
        at = end + 1;
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            break;
        if ((line.startsWith(' ') || line.startsWith('\t')) && !name.isEmpty()) {
            value += line; // folded: the line break goes, the blank stays
            continue;
        }
        flush();
        const qsizetype colon = line.indexOf(':');
        if (colon > 0) {
            name = line.left(colon).trimmed();
            value = line.mid(colon + 1);
        }
    }
    flush();
    Body = Raw.mid(at, kMaxBodyBytes);
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
