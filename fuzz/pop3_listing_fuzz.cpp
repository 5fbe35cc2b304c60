// LIST and UIDL answers come from any POP3 server: the readers must never
// crash, never give more entries than asked for, and never give one id to
// two messages (an action on one would land on the other).
#include "platform/Pop3Listing.h"

#include <QSet>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray reply(reinterpret_cast<const char*>(data), qsizetype(size));
    const QVector<qint64> sizes = platform::ParseSizeListing(reply, 1000);
    if (sizes.size() > 1000)
        std::abort();
    for (const qint64 bytes : sizes)
        if (bytes < 0)
            std::abort();
    const QVector<QByteArray> uids = platform::ParseUidListing(reply, int(sizes.size()) + 3);
    if (uids.size() != sizes.size() + 3)
        std::abort();
    QSet<QByteArray> seen;
    for (const QByteArray& uid : uids) {
        if (uid.isEmpty())
            continue;
        if (seen.contains(uid) || uid.size() > 70 || uid.contains(' '))
            std::abort();
        seen.insert(uid);
    }
    return 0;
}
