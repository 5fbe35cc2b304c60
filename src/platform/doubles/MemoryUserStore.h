#pragma once

#include "platform/UserStore.h"

#include <QMap>

namespace platform {

class MemoryUserStore final : public UserStore {
public:
    QString get(const QString& application, const QString& section, const QString& key,
                const QString& defaultValue) override
    {
        return values.value(path(application, section, key), defaultValue);
    }
    void set(const QString& application, const QString& section, const QString& key,
             const QString& value) override
    {
        values.insert(path(application, section, key), value);
    }
    void remove(const QString& application, const QString& section, const QString& key) override
    {
        values.remove(path(application, section, key));
    }

    static QString path(const QString& application, const QString& section, const QString& key)
    {
        return application + QLatin1Char('/') + section + QLatin1Char('/') + key;
    }

    QMap<QString, QString> values;
};

} // namespace platform
