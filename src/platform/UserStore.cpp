#include "platform/UserStore.h"

#include "platform/Override.h"

#include <QSettings>

namespace platform {
namespace {

// "Ostrevan\HVRN" becomes ~/.config/Ostrevan/HVRN.ini.
class QSettingsStore final : public UserStore {
public:
    QString get(const QString& application, const QString& section, const QString& key,
                const QString& defaultValue) override
    {
        auto settings = open(application);
        return settings->value(path(section, key), defaultValue).toString();
    }

    void set(const QString& application, const QString& section, const QString& key,
             const QString& value) override
    {
        auto settings = open(application);
        settings->setValue(path(section, key), value);
        settings->sync();
    }

    void remove(const QString& application, const QString& section, const QString& key) override
    {
        auto settings = open(application);
        settings->remove(path(section, key));
        settings->sync();
    }

private:
    static std::unique_ptr<QSettings> open(const QString& application)
    {
        const int split = application.indexOf(QLatin1Char('\\'));
        const QString organisation = split < 0 ? application : application.left(split);
        const QString name = split < 0 ? QStringLiteral("settings") : application.mid(split + 1);
        return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                           organisation, name);
    }
    static QString path(const QString& section, const QString& key)
    {
        return section + QLatin1Char('/') + key;
    }
};

} // namespace

UserStore& userStore() { return resolve<UserStore, QSettingsStore>(); }

} // namespace platform
