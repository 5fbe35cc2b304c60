#include "core/PasswordVault.h"

#include "core/DesktopNotices.h"
#include "core/Encrypt.h"
#include "core/Ini.h"
#include "core/Logs.h"
#include "core/TextToBool.h"
#include "core/WriteTrouble.h"

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QTimer>

#include <algorithm>

using platform::KeyringAccess;
using platform::KeyringAnswer;
using platform::StoredSecret;

namespace {

PasswordVault* g_vault = nullptr;

const QString kStartup = QStringLiteral("Startup");
const QString kTold = QStringLiteral("Keyring Told");

QString idOf(const QString& section, const QString& key)
{
    return section.toLower() + u'\n' + key.toLower();
}

// One spelling per entry in the keyring, whatever letter case a caller used
// (hvrn.ini's names are not case-sensitive, the keyring's attributes are).
StoredSecret canonical(const QString& section, const QString& key, const QString& password)
{
    static const QHash<QString, QString> keys{{QStringLiteral("mailpass"), QStringLiteral("MailPass")},
                                              {QStringLiteral("smtppass"), QStringLiteral("SMTPPass")},
                                              {QStringLiteral("pass"), QStringLiteral("pass")}};
    const QString sectionName = section.compare(kStartup, Qt::CaseInsensitive) == 0 ? kStartup : section;
    return {sectionName, keys.value(key.toLower(), key), password};
}

// Every password line hvrn.ini holds: the mail passwords and each profile's.
QList<StoredSecret> passwordLinesInIni()
{
    QStringList profiles{QStringLiteral("Default")};
    const int count = ReadIni(QStringLiteral("Profile"), QStringLiteral("Count"), QString()).toInt();
    for (int slot = 1; slot <= count && slot <= 1000; ++slot)
        profiles << ReadIni(QStringLiteral("Profile"), QString::number(slot), QString());
    QList<StoredSecret> lines;
    auto add = [&lines](const QString& section, const QString& key) {
        if (const std::optional<QString> password = IniStoredPassword(section, key))
            lines.append(canonical(section, key, *password));
    };
    add(kStartup, QStringLiteral("MailPass"));
    add(kStartup, QStringLiteral("SMTPPass"));
    for (const QString& profile : profiles)
        if (!profile.isEmpty())
            add(profile, QStringLiteral("pass"));
    return lines;
}

// How long a keyring missing at start is waited for: at login the session
// bus may be up before the keyring daemon.
int serviceWaitMs()
{
    const int seconds =
        ReadIni(QStringLiteral("StartUp"), QStringLiteral("Keyring Wait Seconds"), QStringLiteral("120"))
            .toInt();
    return std::clamp(seconds, 0, 600) * 1000;
}

QString fallbackWords(const KeyringAnswer& answer)
{
    switch (answer.access) {
    case KeyringAccess::NoService:
        return QStringLiteral("no keyring service is running");
    case KeyringAccess::Locked:
        return QStringLiteral("the keyring stayed locked");
    default:
        return QStringLiteral("the keyring answered: ") + NoticeText(answer.reason, 200);
    }
}

} // namespace

struct PasswordVault::Answer {
    KeyringAnswer access;
    QList<StoredSecret> found;
    QList<StoredSecret> moved; // lines of hvrn.ini now in the keyring, read back equal
    int notMoved = 0;          // lines the keyring refused or gave back otherwise
};

PasswordVault::PasswordVault(QObject* parent)
    : QObject(parent), store_(std::make_shared<platform::SecretStore>()),
      worker_(std::make_unique<platform::WorkerThread>())
{
    g_vault = this;
}

PasswordVault::~PasswordVault()
{
    if (g_vault == this)
        g_vault = nullptr;
    store_->cancel();
    worker_.reset(); // joins a call still running, which the cancel ends promptly
}

PasswordVault* PasswordVault::current()
{
    return g_vault;
}

void PasswordVault::start(bool wait)
{
    sinceStart_.start();
    oneShot_ = wait;
    if (qEnvironmentVariable("HALVORN_KEYRING") == QLatin1String("off")) {
        settle();
        return;
    }
    ask();
}

void PasswordVault::ask()
{
    if (asking_)
        return;
    asking_ = true;
    auto answer = std::make_shared<Answer>();
    auto work = [store = store_, answer, lines = passwordLinesInIni()] {
        answer->access = store->readAll(answer->found);
        if (answer->access.access != KeyringAccess::Open)
            return;
        for (const StoredSecret& line : lines) {
            if (store->storeVerified(line).access == KeyringAccess::Open)
                answer->moved.append(line);
            else
                ++answer->notMoved;
        }
    };
    if (oneShot_) {
        worker_->run(work, [store = store_] { store->cancel(); });
        take(*answer);
    } else if (!worker_->post(work, this, [this, answer] { take(*answer); })) {
        asking_ = false;
    }
}

void PasswordVault::take(const Answer& answer)
{
    asking_ = false;
    if (answer.access.access != KeyringAccess::Open) {
        fallBack(answer.access);
        return;
    }
    keyringOpen_ = true;
    delete watcher_;
    watcher_ = nullptr;
    for (const StoredSecret& secret : answer.found + answer.moved)
        passwords_.insert(idOf(secret.section, secret.key), secret.password);
    removeMovedLines(answer);
    if (!ReadIni(kStartup, kTold, QString()).isEmpty())
        WriteIni(kStartup, kTold);
    DebugLog(QStringLiteral("[Keyring] Passwords are in the keyring (%1 moved from hvrn.ini, %2 left there)")
                 .arg(answer.moved.size())
                 .arg(answer.notMoved));
    settle();
    emit passwordsArrived();
}

void PasswordVault::removeMovedLines(const Answer& answer)
{
    for (const StoredSecret& moved : answer.moved) {
        // A line changed while the keyring was asked is newer: it stays.
        if (IniStoredPassword(moved.section, moved.key) == moved.password &&
            !WriteIni(moved.section, moved.key))
            DebugLog(QStringLiteral("[Keyring] [%1] %2 stays in hvrn.ini: the file could not be written")
                         .arg(moved.section, moved.key));
    }
}

void PasswordVault::fallBack(const KeyringAnswer& answer)
{
    DebugLog(QStringLiteral("[Keyring] Not used: ") + fallbackWords(answer));
    const int waitMs = serviceWaitMs() - int(sinceStart_.elapsed());
    const bool mayStillCome = answer.access == KeyringAccess::NoService && !oneShot_ && waitMs > 0 &&
                              QDBusConnection::sessionBus().isConnected();
    settle();
    if (mayStillCome)
        watchForService(waitMs);
    else
        tellFallbackOnce(fallbackWords(answer));
}

void PasswordVault::watchForService(int remainingMs)
{
    if (watcher_)
        return;
    watcher_ =
        new QDBusServiceWatcher(QStringLiteral("org.freedesktop.secrets"), QDBusConnection::sessionBus(),
                                QDBusServiceWatcher::WatchForRegistration, this);
    connect(watcher_, &QDBusServiceWatcher::serviceRegistered, this, [this] { ask(); });
    QTimer::singleShot(remainingMs, this, [this] {
        // An ask still running decides for itself when its answer comes.
        if (keyringOpen_ || asking_)
            return;
        delete watcher_;
        watcher_ = nullptr;
        tellFallbackOnce(fallbackWords({KeyringAccess::NoService, {}}));
    });
}

void PasswordVault::settle()
{
    if (settled_)
        return;
    settled_ = true;
    emit settledNow();
}

// Told once per run, and remembered in hvrn.ini until the keyring is used
// again. A one-shot run (cron, a script) has nobody watching and may end
// before a notification is out: the next start with a window tells.
void PasswordVault::tellFallbackOnce(const QString& reason)
{
    if (oneShot_ || told_ || TextToBool(ReadIni(kStartup, kTold, QStringLiteral("False"))))
        return;
    told_ = true;
    WriteIni(kStartup, kTold, BoolText(true));
    const QString text =
        QStringLiteral("Passwords are kept scrambled in hvrn.ini, not in the keyring: ") + reason;
    DebugLog(QStringLiteral("[Keyring] ") + text);
    ShowInStatusLine(text);
    NotifyTrouble(QStringLiteral("Passwords not in the keyring"), text);
}

std::optional<QString> PasswordVault::cached(const QString& section, const QString& key) const
{
    const auto found = passwords_.constFind(idOf(section, key));
    if (found == passwords_.cend())
        return std::nullopt;
    return *found;
}

bool PasswordVault::save(const QString& section, const QString& key, const QString& password)
{
    if (!keyringOpen_)
        return false;
    const StoredSecret secret = canonical(section, key, password);
    KeyringAnswer answer;
    worker_->run([&] { answer = store_->storeVerified(secret); }, [this] { store_->cancel(); });
    if (answer.access == KeyringAccess::Open) {
        passwords_.insert(idOf(section, key), password);
        return true;
    }
    DebugLog(QStringLiteral("[Keyring] [%1] %2 kept in hvrn.ini: ").arg(secret.section, secret.key) +
             fallbackWords(answer));
    // Gone or locked meanwhile: the next passwords go to hvrn.ini at once.
    if (answer.access != KeyringAccess::Failed)
        keyringOpen_ = false;
    tellFallbackOnce(fallbackWords(answer));
    return false;
}
