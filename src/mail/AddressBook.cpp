#include "mail/AddressBook.h"

#include "platform/UserStore.h"

namespace {

const QString kCountApplication = QStringLiteral("Ostrevan");
const QString kCountSection = QStringLiteral("HVRN");
const QString kCountKey = QStringLiteral("AddressBook");
const QString kLineSection = QStringLiteral("AddressBook");

// The store is another program's file as far as we know: a count that is
// not a number reads as 0, and a huge one is cut so that loading cannot
// walk millions of keys.
constexpr int kMostEntries = 10000;

int storedCount()
{
    bool ok = false;
    const int count = platform::userStore()
                          .get(kCountApplication, kCountSection, kCountKey, QStringLiteral("0"))
                          .trimmed()
                          .toInt(&ok);
    return ok ? qBound(0, count, kMostEntries) : 0;
}

void setCount(int count)
{
    platform::userStore().set(kCountApplication, kCountSection, kCountKey, QString::number(count));
}

} // namespace

namespace AddressBook {

QStringList Load()
{
    QStringList lines;
    const int count = storedCount();
    for (int key = 0; key <= count; ++key) {
        const QString line = platform::userStore().get(platform::kUserStoreApplication, kLineSection,
                                                       QString::number(key), QString());
        if (!line.isEmpty())
            lines.append(line);
    }
    return lines;
}

void Save(const QStringList& lines)
{
    const int count = int(qMin<qsizetype>(lines.size(), kMostEntries));
    // Loading reads keys 0 to the count (an appended line sits at count),
    // so every key past the new lines goes: a removed entry stays removed.
    const int lastOldKey = storedCount();
    // The lines go in one replacement of the store: thousands of entries
    // must not mean thousands of rewrites.
    QList<platform::UserStore::Change> changes;
    for (int key = 0; key < count; ++key)
        changes.append({kLineSection, QString::number(key), lines[key]});
    for (int key = count; key <= lastOldKey; ++key)
        changes.append({kLineSection, QString::number(key), std::nullopt});
    platform::userStore().apply(platform::kUserStoreApplication, changes);
    setCount(count);
}

void Append(const QString& line)
{
    const int count = storedCount();
    if (count >= kMostEntries)
        return;
    platform::userStore().set(platform::kUserStoreApplication, kLineSection, QString::number(count + 1),
                              line);
    setCount(count + 1);
}

} // namespace AddressBook
