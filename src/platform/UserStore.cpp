#include "platform/UserStore.h"

#include "platform/Override.h"
#include "platform/WholeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSettings>

#include <cerrno>
#include <sys/stat.h>

namespace platform {
namespace {

using KeyValues = QHash<QString, QString>;

// What tells one version of a file from the next: a replacement is a new
// inode, and an edit by hand changes size or time.
struct FileStamp {
    qint64 inode = -1;
    qint64 size = -1;
    qint64 mtimeNs = -1;
    bool operator==(const FileStamp&) const = default;
};

FileStamp stampOf(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return {qint64(st.st_ino), qint64(st.st_size),
            qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

QString keyPath(const QString& section, const QString& key)
{
    return section + QLatin1Char('/') + key;
}

QByteArray readRaw(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeRaw(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return false;
    return file.write(bytes) == bytes.size();
}

KeyValues allValues(QSettings& settings)
{
    KeyValues values;
    for (const QString& key : settings.allKeys())
        values.insert(key, settings.value(key).toString());
    return values;
}

// Parses bytes the way QSettings reads the store. Each parse goes through a
// file name never used before, so no cached copy of an older file answers.
std::optional<KeyValues> parse(const QString& besidePath, const QByteArray& bytes)
{
    const QString scratch = TemporaryNameBeside(besidePath);
    if (!writeRaw(scratch, bytes)) {
        QFile::remove(scratch);
        return std::nullopt;
    }
    std::optional<KeyValues> values;
    {
        QSettings settings(scratch, QSettings::IniFormat);
        if (settings.status() == QSettings::NoError)
            values = allValues(settings);
    }
    QFile::remove(scratch);
    return values;
}

// "Ostrevan\HVRN" is ~/.config/Ostrevan/HVRN.ini. The file is written by
// QSettings into a scratch copy, checked by reading it back, and only then
// put in place whole: QSettings' own save can leave a cut file when the
// disk fills up.
class QSettingsStore final : public UserStore {
  public:
    QString get(const QString& application, const QString& section, const QString& key,
                const QString& defaultValue) override
    {
        return load(fileOf(application)).value(keyPath(section, key), defaultValue);
    }

    bool apply(const QString& application, const QList<Change>& changes) override
    {
        const QString path = fileOf(application);
        QDir().mkpath(QFileInfo(path).absolutePath());
        FileWriteError error;
        const std::optional<QByteArray> bytes = rewritten(path, changes, &error);
        if (!bytes || !ReplaceWholeFile(path, *bytes, &error, 0600)) {
            ReportWrite(path, &error);
            return false;
        }
        ReportWrite(path, nullptr);
        cache_.remove(path);
        return true;
    }

  private:
    struct Cached {
        FileStamp stamp;
        KeyValues values;
    };

    static QString fileOf(const QString& application)
    {
        const int split = application.indexOf(QLatin1Char('\\'));
        const QString organisation = split < 0 ? application : application.left(split);
        const QString name = split < 0 ? QStringLiteral("settings") : application.mid(split + 1);
        return QSettings(QSettings::IniFormat, QSettings::UserScope, organisation, name).fileName();
    }

    const KeyValues& load(const QString& path)
    {
        const FileStamp stamp = stampOf(path);
        auto found = cache_.find(path);
        if (found == cache_.end() || !(found->stamp == stamp))
            found = cache_.insert(path, {stamp, parse(path, readRaw(path)).value_or(KeyValues())});
        return found->values;
    }

    // The file's bytes with the changes made, checked to read back as meant.
    static std::optional<QByteArray> rewritten(const QString& path, const QList<Change>& changes,
                                               FileWriteError* error)
    {
        const QString scratch = TemporaryNameBeside(path);
        std::optional<QByteArray> result;
        KeyValues expected;
        if (writeRaw(scratch, readRaw(path))) {
            QSettings settings(scratch, QSettings::IniFormat);
            for (const Change& change : changes) {
                if (change.value)
                    settings.setValue(keyPath(change.section, change.key), *change.value);
                else
                    settings.remove(keyPath(change.section, change.key));
            }
            settings.sync();
            if (settings.status() == QSettings::NoError) {
                expected = allValues(settings);
                result = readRaw(scratch);
            }
        }
        const int code = errno;
        QFile::remove(scratch);
        if (result && parse(path, *result) == expected)
            return result;
        error->code = code ? code : EIO;
        error->text =
            QStringLiteral("cannot write %1: the disk may be full").arg(QDir::toNativeSeparators(path));
        return std::nullopt;
    }

    QHash<QString, Cached> cache_;
};

} // namespace

UserStore& userStore()
{
    return resolve<UserStore, QSettingsStore>();
}

} // namespace platform
