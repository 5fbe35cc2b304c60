#include "core/Ini.h"

#include "core/IniText.h"
#include "core/ProgramDir.h"
#include "core/ProgramError.h"
#include "core/SaveFile.h"
#include "core/SettingText.h"
#include "core/WriteTrouble.h"

#include <QFile>
#include <QFileInfo>
#include <QMutex>

#include <functional>

namespace {

// Read-modify-write cycles of the whole program go one at a time.
QMutex& writeLock()
{
    static QMutex lock;
    return lock;
}

struct SettingsRead {
    QByteArray bytes;
    // Why the file cannot be used; empty when it can (or does not exist yet).
    QString trouble;
};

SettingsRead readSettings(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    if (info.isDir())
        return {{}, QStringLiteral("it is a folder, not a file")};
    if (info.size() > kSettingsFileLimit)
        return {{},
                QStringLiteral("it is %1 MB long; settings take a few kilobytes")
                    .arg(info.size() / (1024 * 1024))};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {{}, QStringLiteral("it cannot be read (%1)").arg(file.errorString())};
    SettingsRead read{file.read(kSettingsFileLimit + 1), QString()};
    if (file.error() != QFileDevice::NoError)
        return {{}, QStringLiteral("it cannot be read (%1)").arg(file.errorString())};
    // Stored values escape every NUL, so one means the file is not ours.
    if (read.bytes.contains('\0'))
        return {{}, QStringLiteral("it holds binary data, not settings")};
    return read;
}

bool replaceFile(const QString& path, const QByteArray& content)
{
    EnsureProgramDir();
    // Scrambled passwords are inside: nobody else needs to read it.
    return SaveProgramFile(path, content, 0600);
}

bool modify(const std::function<QByteArray(const QByteArray&)>& change)
{
    QMutexLocker locker(&writeLock());
    const QString path = IniPath();
    const SettingsRead before = readSettings(path);
    // A file that could not be read is never replaced by one made from
    // nothing: that would throw away whatever it held.
    if (!before.trouble.isEmpty()) {
        TellWriteFailure(path, err::kPathAccess,
                         QStringLiteral("the settings file is left alone because ") + before.trouble);
        return false;
    }
    const QByteArray after = change(before.bytes);
    if (after == before.bytes && QFile::exists(path))
        return true;
    return replaceFile(path, after);
}

} // namespace

QString IniPath()
{
    return ProgramFile(QStringLiteral("hvrn.ini"));
}

QString SettingsFileTrouble()
{
    return readSettings(IniPath()).trouble;
}

QByteArray ReadIniBytes(const QString& section, const QString& key, const QByteArray& defaultValue)
{
    const auto value =
        ini::lookup(readSettings(IniPath()).bytes, encodeSettingText(section), encodeSettingText(key));
    return ini::cutToReadLimit(value ? *value : defaultValue);
}

QString ReadIni(const QString& section, const QString& key, const QString& defaultValue)
{
    const auto value =
        ini::lookup(readSettings(IniPath()).bytes, encodeSettingText(section), encodeSettingText(key));
    if (!value)
        return defaultValue.left(ini::kReadLimit);
    return decodeSettingText(ini::cutToReadLimit(*value));
}

bool WriteIniBytes(const QString& section, const QString& key, const QByteArray& value)
{
    const QByteArray s = encodeSettingText(section);
    const QByteArray k = encodeSettingText(key);
    return modify([&](const QByteArray& file) { return ini::withValue(file, s, k, value); });
}

bool WriteIni(const QString& section, const QString& key, const QString& value)
{
    return WriteIniBytes(section, key, encodeSettingText(value));
}

bool WriteIniValues(const QList<IniValue>& values)
{
    return modify([&](const QByteArray& file) {
        QByteArray after = file;
        for (const IniValue& v : values)
            after = ini::withValue(after, encodeSettingText(v.section), encodeSettingText(v.key),
                                   encodeSettingText(v.value));
        return after;
    });
}

bool WriteIni(const QString& section, const QString& key)
{
    const QByteArray s = encodeSettingText(section);
    const QByteArray k = encodeSettingText(key);
    return modify([&](const QByteArray& file) { return ini::withoutKey(file, s, k); });
}

bool WriteIni(const QString& section)
{
    const QByteArray s = encodeSettingText(section);
    return modify([&](const QByteArray& file) { return ini::withoutSection(file, s); });
}
