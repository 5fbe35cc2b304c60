#pragma once

#include <QHash>
#include <QString>

#include <functional>

class Form1;

// A new mail for the composer, as the debug window's "Email Author" fills it.
struct MailDraft {
    QString caption;
    QString to;
    QString subject;
    QString body;
};

// The application core calls publishing, the memo server and mail only
// through these hooks, which those subsystems fill in when the program is
// put together. An empty hook means the subsystem is not part of the build.
struct AppHooks {
    // Start-up loaders, in start-up order.
    std::function<void()> loadSounds;
    std::function<void()> addLaunch;
    std::function<void()> loadMailSettings;
    // Loads the memo settings; starts the memo server when enabled unless
    // the program runs one-shot.
    std::function<void(bool oneShot)> loadMemoServerSettings;
    std::function<void()> loadMailbox;
    // LoadPass hands the unscrambled mail password to the mail settings window.
    std::function<void(const QString& password)> setMailPassword;
    // The keyring's passwords arrived after start-up: empty mail passwords take theirs.
    std::function<void()> fillEmptyMailPasswords;

    // Publishes the selected profile: template path and "Online"/"Offline".
    std::function<void(const QString& templatePath, const QString& status)> uploadFile;
    // Why the last upload did not publish; empty when it was confirmed.
    std::function<QString()> publishResult;
    // The first address check, one second after start-up.
    std::function<void()> addressCheck;
    // Refreshes LocalIP and LocalHostName (the mail check calls it before it connects).
    std::function<void()> startSock;
    // Refreshes the local address like startSock; a change is shown and
    // makes the connection watch publish at once (the mail check's timer).
    std::function<void()> updateSock;
    // Starts the memo server when it is enabled and not listening yet.
    std::function<void()> ensureMemoServer;
    // Why the enabled memo server does not listen ("port 4175 is in use by
    // another program"); empty while it listens or when it is switched off.
    std::function<QString()> memoServerProblem;
    // Asks for the public address again ("auto"): the router now forwards
    // the memo port and knows it.
    std::function<void()> recheckPublicAddress;
    // The user set a new Public Address (empty: none); the memo certificate
    // is for it.
    std::function<void(const QString& address)> publicAddressChanged;

    std::function<void(const MailDraft&)> composeMail;
    // Shows the mailbox window (a new-mail notification's "Open mailbox").
    std::function<void()> showMailbox;

    // Closes a subsystem window during the exit procedure, by window name.
    QHash<QString, std::function<void()>> closers;
};

AppHooks& Hooks();
