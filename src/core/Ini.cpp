#include "core/Ini.h"

#include "core/IniText.h"
#include "core/ProgramDir.h"
#include "core/SettingText.h"

#include <QFile>
#include <QMutex>
#include <QSaveFile>

#include <functional>

namespace {

// Read-modify-write cycles of the whole program go one at a time.
QMutex& writeLock()
{
    static QMutex lock;
    return lock;
}

QByteArray readWholeFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

bool replaceFile(const QString& path, const QByteArray& content)
{
    EnsureProgramDir();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(content) != content.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool modify(const std::function<QByteArray(const QByteArray&)>& change)
{
    QMutexLocker locker(&writeLock());
    const QString path = IniPath();
    const QByteArray before = readWholeFile(path);
    const QByteArray after = change(before);
    if (after == before && QFile::exists(path))
        return true;
    return replaceFile(path, after);
}

} // namespace

QString IniPath() { return ProgramFile(QStringLiteral("hvrn.ini")); }

QByteArray ReadIniBytes(const QString& section, const QString& key, const QByteArray& defaultValue)
{
    const auto value = ini::lookup(readWholeFile(IniPath()), encodeSettingText(section),
                                   encodeSettingText(key));
    return ini::cutToReadLimit(value ? *value : defaultValue);
}

QString ReadIni(const QString& section, const QString& key, const QString& defaultValue)
{
    const auto value = ini::lookup(readWholeFile(IniPath()), encodeSettingText(section),
                                   encodeSettingText(key));
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
