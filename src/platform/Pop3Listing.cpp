#include "platform/Pop3Listing.h"

#include <QList>
#include <QSet>

namespace platform {

namespace {

// RFC 1939: one to 70 characters from 0x21 to 0x7E.
constexpr qsizetype kLongestUid = 70;

QList<QByteArray> fieldsOf(const QByteArray& line)
{
    return line.simplified().split(' ');
}

bool isUid(const QByteArray& text)
{
    if (text.isEmpty() || text.size() > kLongestUid)
        return false;
    for (const char c : text)
        if (c < 0x21 || c > 0x7e)
            return false;
    return true;
}

} // namespace

QVector<qint64> ParseSizeListing(const QByteArray& reply, int maxMessages)
{
    QVector<qint64> sizes;
    for (const QByteArray& line : reply.split('\n')) {
        const QList<QByteArray> fields = fieldsOf(line);
        bool number = false, size = false;
        const int n = fields.value(0).toInt(&number);
        const qint64 bytes = fields.value(1).toLongLong(&size);
        // Numbers must run 1, 2, 3...: a gap or a repeat would shift every
        // message after it onto the wrong row.
        if (!number || !size || bytes < 0 || n != sizes.size() + 1)
            continue;
        if (sizes.size() >= maxMessages)
            break;
        sizes.append(bytes);
    }
    return sizes;
}

QVector<QByteArray> ParseUidListing(const QByteArray& reply, int count)
{
    QVector<QByteArray> uids(count);
    QSet<QByteArray> seen, shared;
    for (const QByteArray& line : reply.split('\n')) {
        const QList<QByteArray> fields = fieldsOf(line);
        bool number = false;
        const int n = fields.value(0).toInt(&number);
        if (!number || n < 1 || n > count || fields.size() != 2 || !isUid(fields[1]) ||
            !uids[n - 1].isEmpty())
            continue;
        if (seen.contains(fields[1]))
            shared.insert(fields[1]);
        seen.insert(fields[1]);
        uids[n - 1] = fields[1];
    }
    for (QByteArray& uid : uids)
        if (shared.contains(uid))
            uid.clear();
    return uids;
}

} // namespace platform
