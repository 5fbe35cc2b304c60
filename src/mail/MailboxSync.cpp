#include "mail/MailboxSync.h"

#include "platform/Pop3Client.h"

#include <QCryptographicHash>

namespace {

// A header a hostile server makes endless is cut to what a list can show.
constexpr qsizetype kLongestField = 1000;

QByteArray field(const QList<QPair<QByteArray, QByteArray>>& headers, const char* name,
                 const QByteArray& missing = {})
{
    QByteArray value = missing;
    for (const auto& [key, text] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            value = text; // the last of its name wins, as in the reading view
    return value.left(kLongestField);
}

} // namespace

QByteArray HeaderKey(const QByteArray& messageId, const QByteArray& date, const QByteArray& from)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const QByteArray& part : {messageId, date, from}) {
        hash.addData(QByteArray::number(part.size()) + ':');
        hash.addData(part);
    }
    // Not a valid unique id (those are printable without blanks): it can
    // never be taken for one.
    return "hdr " + hash.result().toHex();
}

ListingRow MailboxSync::rowFrom(int n, const QList<QPair<QByteArray, QByteArray>>& headers) const
{
    ListingRow row;
    row.Number = n;
    row.From = field(headers, "From");
    // A message without a date or subject shows "'" in its place.
    row.Date = field(headers, "Date", "'");
    row.Subject = field(headers, "Subject", "'");
    row.MessageId = field(headers, "Message-ID");
    row.Size = pop_.messageSize(n);
    row.ServerUid = pop_.hasUids();
    row.Key = row.ServerUid ? pop_.uid(n) : HeaderKey(row.MessageId, row.Date, row.From);
    return row;
}

bool MailboxSync::list(const QString& account, QVector<ListingRow>& rows)
{
    if (account != account_)
        cache_.clear();
    account_ = account;
    lastFetched_ = 0;
    const int count = pop_.messageCount();
    QVector<int> missing;
    for (int n = 1; n <= count; ++n)
        if (!pop_.hasUids() || !cache_.contains(pop_.uid(n)))
            missing.append(n);
    QVector<platform::Pop3Client::HeaderList> blocks;
    if (!pop_.headerBlocks(missing, blocks))
        return false;
    lastFetched_ = int(missing.size());
    rows.clear();
    rows.reserve(count);
    QHash<QByteArray, ListingRow> kept;
    qsizetype nextFetched = 0;
    for (int n = 1; n <= count; ++n) {
        ListingRow row;
        if (nextFetched < missing.size() && missing[nextFetched] == n)
            row = rowFrom(n, blocks[nextFetched++]);
        else
            row = cache_.value(pop_.uid(n));
        row.Number = n;
        if (row.ServerUid)
            kept.insert(row.Key, row);
        rows.append(row);
    }
    // Only messages still on the server stay cached: the cache never
    // outgrows the mailbox.
    cache_ = std::move(kept);
    return true;
}

int MailboxSync::locate(const ListingRow& row)
{
    if (row.ServerUid && pop_.hasUids())
        return pop_.numberOf(row.Key);
    if (row.ServerUid)
        return 0; // the server no longer gives ids: nothing can be matched safely
    // Without ids, the message is where it was or lower (messages before it
    // may have gone); its headers must match before anything is done to it.
    for (int n = qMin(row.Number, pop_.messageCount()); n >= 1; --n) {
        QVector<platform::Pop3Client::HeaderList> blocks;
        if (!pop_.headerBlocks({n}, blocks))
            return -1;
        const ListingRow now = rowFrom(n, blocks.value(0));
        if (now.Key == row.Key)
            return n;
    }
    return 0;
}
