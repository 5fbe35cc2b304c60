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
    bool apply(const QString& application, const QList<Change>& changes) override
    {
        for (const Change& change : changes) {
            if (change.value)
                values.insert(path(application, change.section, change.key), *change.value);
            else
                values.remove(path(application, change.section, change.key));
        }
        return true;
    }

    static QString path(const QString& application, const QString& section, const QString& key)
    {
        return application + QLatin1Char('/') + section + QLatin1Char('/') + key;
    }

    QMap<QString, QString> values;
};

} // namespace platform
