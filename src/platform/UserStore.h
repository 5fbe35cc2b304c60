#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace platform {

// The per-user application settings store, addressed by application,
// section and key ("Ostrevan\HVRN", "Utility", "0Item").
class UserStore {
  public:
    struct Change {
        QString section;
        QString key;
        std::optional<QString> value; // none removes the key
    };

    virtual ~UserStore() = default;
    virtual QString get(const QString& application, const QString& section, const QString& key,
                        const QString& defaultValue = QString()) = 0;
    // Makes every change in one replacement of the application's file, so
    // they land together or not at all; false when the file could not be
    // written (it is then as it was).
    virtual bool apply(const QString& application, const QList<Change>& changes) = 0;

    bool set(const QString& application, const QString& section, const QString& key, const QString& value)
    {
        return apply(application, {{section, key, value}});
    }
    bool remove(const QString& application, const QString& section, const QString& key)
    {
        return apply(application, {{section, key, std::nullopt}});
    }
};

UserStore& userStore();

inline const QString kUserStoreApplication = QStringLiteral("Ostrevan\\HVRN");

} // namespace platform
