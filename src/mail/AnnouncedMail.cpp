#include "mail/AnnouncedMail.h"

#include "core/SaveFile.h"

#include <QFile>

namespace {

// A key is a unique id (at most 70 characters) or a header digest.
constexpr qsizetype kLongestKey = 80;
constexpr qint64 kLargestFile = AnnouncedMail::kMaxKeys * (kLongestKey + 1);

} // namespace

void AnnouncedMail::load()
{
    if (loaded_)
        return;
    loaded_ = true;
    QFile file(path_);
    // A file that is not ours (too large, a folder) counts as empty: the
    // worst outcome is old mail announced once more.
    if (file.size() > kLargestFile || !file.open(QIODevice::ReadOnly))
        return;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QByteArray key = line.trimmed();
        if (!key.isEmpty() && key.size() <= kLongestKey && keys_.size() < kMaxKeys)
            keys_.insert(key);
    }
}

QVector<QByteArray> AnnouncedMail::newest(const QVector<QByteArray>& mailbox)
{
    return mailbox.size() <= kMaxKeys ? mailbox : mailbox.mid(mailbox.size() - kMaxKeys);
}

int AnnouncedMail::freshCount(const QVector<QByteArray>& mailbox)
{
    load();
    int fresh = 0;
    for (const QByteArray& key : newest(mailbox))
        fresh += keys_.contains(key) ? 0 : 1;
    return fresh;
}

bool AnnouncedMail::markAll(const QVector<QByteArray>& mailbox)
{
    load();
    QSet<QByteArray> now;
    QByteArray bytes;
    for (const QByteArray& key : newest(mailbox)) {
        if (key.isEmpty() || key.size() > kLongestKey || now.contains(key))
            continue;
        now.insert(key);
        bytes += key + '\n';
    }
    if (now == keys_ && QFile::exists(path_))
        return true;
    // Announced is announced, even when the file cannot take it: this run
    // does not announce the same mail twice.
    keys_ = std::move(now);
    return SaveProgramFile(path_, bytes, 0600);
}
