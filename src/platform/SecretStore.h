#pragma once

#include <QList>
#include <QString>

#include <memory>

namespace platform {

// One password in the desktop keyring, named by the settings section and
// key it would have had in hvrn.ini.
struct StoredSecret {
    QString section;
    QString key;
    QString password;
};

enum class KeyringAccess {
    Open,      // the default keyring answered and is unlocked
    NoService, // nothing on the session bus provides org.freedesktop.secrets
    Locked,    // the keyring stayed locked (the unlock prompt was dismissed or failed)
    Failed,    // it answered with an error
};

struct KeyringAnswer {
    KeyringAccess access = KeyringAccess::NoService;
    QString reason; // why it is not Open, in words
};

// The program's passwords in the Secret Service (libsecret), stored with the
// attributes application=halvorn, section and key. Every call blocks until
// the service answered (or the D-Bus time-out passed), so callers run them
// off the GUI thread. Each call opens its own connection to the service, so
// a service that appears or goes away between calls is seen.
class SecretStore {
  public:
    SecretStore();
    ~SecretStore();
    SecretStore(const SecretStore&) = delete;
    SecretStore& operator=(const SecretStore&) = delete;

    // Unlocks the default keyring (which may prompt the user) and reads every
    // password of the program into found.
    KeyringAnswer readAll(QList<StoredSecret>& found);
    // Stores password (an empty one removes the entry), then reads it back:
    // true only when the keyring gives back what was stored.
    KeyringAnswer storeVerified(const StoredSecret& secret);

    // Makes a running call return promptly; callable from any thread. Every
    // later call fails at once.
    void cancel();

  private:
    struct Glib;
    std::unique_ptr<Glib> glib_;
};

} // namespace platform
