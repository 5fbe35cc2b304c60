#pragma once

#include "platform/SecretStore.h"
#include "platform/WorkerThread.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>

#include <memory>
#include <optional>

class QDBusServiceWatcher;

// Where the program's passwords live: the desktop keyring when a Secret
// Service answers, else (and with HALVORN_KEYRING=off) scrambled in hvrn.ini.
// The keyring is asked off the GUI thread; its passwords are kept here in
// memory. A password line still in hvrn.ini is newer than the keyring's copy
// (it was saved while the keyring was away, or could not yet be moved), so
// readers look there first; each time the keyring opens, those lines are
// moved into it: written, read back, and only then removed from the file.
class PasswordVault : public QObject {
    Q_OBJECT
  public:
    explicit PasswordVault(QObject* parent = nullptr);
    ~PasswordVault() override;

    // The vault of this run, or null (tests without one: hvrn.ini only).
    static PasswordVault* current();

    // Asks the keyring for the passwords. With wait (a one-shot run, which
    // has no window to keep alive and publishes at once) this returns when
    // the answer is in; otherwise at once, and passwordsArrived tells.
    void start(bool wait);
    // The first answer is in (or the keyring is not used at all).
    bool settled() const { return settled_; }
    bool usesKeyring() const { return keyringOpen_; }

    // The keyring's copy, when it holds this password.
    std::optional<QString> cached(const QString& section, const QString& key) const;
    // Stores password in the keyring, read back; false (told once) when the
    // keyring refused, so that the caller keeps it in hvrn.ini instead.
    bool save(const QString& section, const QString& key, const QString& password);

  signals:
    // The keyring's passwords are in: empty password fields may be filled.
    void passwordsArrived();
    // The first answer is in, whatever it was.
    void settledNow();

  private:
    struct Answer;
    void ask();
    void take(const Answer& answer);
    void removeMovedLines(const Answer& answer);
    void fallBack(const platform::KeyringAnswer& answer);
    void watchForService(int remainingMs);
    void settle();
    void tellFallbackOnce(const QString& reason);

    std::shared_ptr<platform::SecretStore> store_;
    std::unique_ptr<platform::WorkerThread> worker_;
    QDBusServiceWatcher* watcher_ = nullptr;
    QHash<QString, QString> passwords_; // by lower-case "section\nkey"
    QElapsedTimer sinceStart_;
    bool settled_ = false;
    bool keyringOpen_ = false;
    bool asking_ = false;
    bool oneShot_ = false;
    bool told_ = false;
};
