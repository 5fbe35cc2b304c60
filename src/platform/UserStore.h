#pragma once

#include <QString>

namespace platform {

// The per-user application settings store, addressed by application,
// section and key ("Ostrevan\HVRN", "Utility", "0Item").
class UserStore {
public:
    virtual ~UserStore() = default;
    virtual QString get(const QString& application, const QString& section,
                        const QString& key, const QString& defaultValue = QString()) = 0;
    virtual void set(const QString& application, const QString& section, const QString& key,
                     const QString& value) = 0;
    virtual void remove(const QString& application, const QString& section,
                        const QString& key) = 0;
};

UserStore& userStore();

inline const QString kUserStoreApplication = QStringLiteral("Ostrevan\\HVRN");

} // namespace platform
