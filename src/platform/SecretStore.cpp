#include "platform/SecretStore.h"

// GLib names a structure member "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <libsecret/secret.h>
#pragma pop_macro("signals")

#include <QFileInfo>

#include <optional>

namespace platform {
namespace {

const char* const kApplication = "halvorn";

const SecretSchema* passwordSchema()
{
    static const SecretSchema schema = [] {
        SecretSchema s{};
        s.name = "org.halvorn.Halvorn.Password";
        // Entries made by other tools with the same attributes (secret-tool) count too.
        s.flags = SECRET_SCHEMA_DONT_MATCH_NAME;
        s.attributes[0] = {"application", SECRET_SCHEMA_ATTRIBUTE_STRING};
        s.attributes[1] = {"section", SECRET_SCHEMA_ATTRIBUTE_STRING};
        s.attributes[2] = {"key", SECRET_SCHEMA_ATTRIBUTE_STRING};
        return s;
    }();
    return &schema;
}

template <class T> struct Unref {
    void operator()(T* object) const { g_object_unref(object); }
};
using Service = std::unique_ptr<SecretService, Unref<SecretService>>;
using Collection = std::unique_ptr<SecretCollection, Unref<SecretCollection>>;

struct Error {
    GError* error = nullptr;
    ~Error() { g_clear_error(&error); }
    QString text(const char* otherwise) const
    {
        return error ? QString::fromUtf8(error->message) : QString::fromLatin1(otherwise);
    }
};

// The attributes of one entry; the strings must outlive the table.
struct Attributes {
    QByteArray section;
    QByteArray key;
    GHashTable* table = g_hash_table_new(g_str_hash, g_str_equal);

    Attributes(const QString& sectionName, const QString& keyName)
        : section(sectionName.toUtf8()), key(keyName.toUtf8())
    {
        g_hash_table_insert(table, gpointer("application"), gpointer(kApplication));
        if (!section.isEmpty()) {
            g_hash_table_insert(table, gpointer("section"), section.data());
            g_hash_table_insert(table, gpointer("key"), key.data());
        }
    }
    ~Attributes() { g_hash_table_unref(table); }
    Attributes(const Attributes&) = delete;
    Attributes& operator=(const Attributes&) = delete;
};

QString attribute(GHashTable* attributes, const char* name)
{
    return QString::fromUtf8(static_cast<const char*>(g_hash_table_lookup(attributes, name)));
}

bool sessionBusKnown()
{
    return !qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") ||
           QFileInfo::exists(qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/bus"));
}

QString secretText(SecretValue* value)
{
    gsize length = 0;
    const gchar* bytes = secret_value_get(value, &length);
    return QString::fromUtf8(bytes, qsizetype(length));
}

} // namespace

struct SecretStore::Glib {
    GCancellable* cancellable = g_cancellable_new();
    ~Glib() { g_object_unref(cancellable); }

    // The service with a session open, or the answer why there is none.
    Service open(KeyringAnswer& answer) const
    {
        // Without a session bus GDBus would start one for the X display
        // (dbus-launch), which outlives the program.
        if (!sessionBusKnown()) {
            answer = {KeyringAccess::NoService, QStringLiteral("no session bus")};
            return nullptr;
        }
        Error e;
        Service service(secret_service_open_sync(SECRET_TYPE_SERVICE, nullptr, SECRET_SERVICE_OPEN_SESSION,
                                                 cancellable, &e.error));
        if (!service)
            answer = {KeyringAccess::NoService, e.text("no keyring service")};
        return service;
    }

    // Unlocks the default collection when it is locked; the service may prompt.
    KeyringAnswer unlockDefault(SecretService* service) const
    {
        Error e;
        Collection collection(secret_collection_for_alias_sync(
            service, SECRET_COLLECTION_DEFAULT, SECRET_COLLECTION_NONE, cancellable, &e.error));
        if (!collection)
            return {KeyringAccess::Failed, e.text("the keyring has no default collection")};
        if (!secret_collection_get_locked(collection.get()))
            return {KeyringAccess::Open, {}};
        GList objects{collection.get(), nullptr, nullptr};
        const gint unlocked = secret_service_unlock_sync(service, &objects, cancellable, nullptr, &e.error);
        if (unlocked < 1)
            return {KeyringAccess::Locked, e.text("the keyring was not unlocked")};
        return {KeyringAccess::Open, {}};
    }

    bool store(SecretService* service, const StoredSecret& secret, Error& e) const
    {
        const Attributes attributes(secret.section, secret.key);
        if (secret.password.isEmpty()) {
            secret_service_clear_sync(service, passwordSchema(), attributes.table, cancellable, &e.error);
            return !e.error;
        }
        const QByteArray bytes = secret.password.toUtf8();
        const QByteArray label =
            QStringLiteral("Halvorn password [%1] %2").arg(secret.section, secret.key).toUtf8();
        SecretValue* value = secret_value_new(bytes.constData(), bytes.size(), "text/plain");
        const gboolean stored =
            secret_service_store_sync(service, passwordSchema(), attributes.table, SECRET_COLLECTION_DEFAULT,
                                      label.constData(), value, cancellable, &e.error);
        secret_value_unref(value);
        return stored;
    }

    std::optional<QString> lookup(SecretService* service, const StoredSecret& secret, Error& e) const
    {
        const Attributes attributes(secret.section, secret.key);
        SecretValue* value =
            secret_service_lookup_sync(service, passwordSchema(), attributes.table, cancellable, &e.error);
        if (e.error)
            return std::nullopt;
        if (!value)
            return QString();
        QString text = secretText(value);
        secret_value_unref(value);
        return text;
    }
};

SecretStore::SecretStore() : glib_(std::make_unique<Glib>()) {}

SecretStore::~SecretStore() = default;

void SecretStore::cancel()
{
    g_cancellable_cancel(glib_->cancellable);
}

KeyringAnswer SecretStore::readAll(QList<StoredSecret>& found)
{
    KeyringAnswer answer;
    const Service service = glib_->open(answer);
    if (!service)
        return answer;
    answer = glib_->unlockDefault(service.get());
    if (answer.access != KeyringAccess::Open)
        return answer;
    Error e;
    const Attributes mine{QString(), QString()};
    GList* items = secret_service_search_sync(
        service.get(), passwordSchema(), mine.table,
        SecretSearchFlags(SECRET_SEARCH_ALL | SECRET_SEARCH_LOAD_SECRETS), glib_->cancellable, &e.error);
    if (e.error)
        return {KeyringAccess::Failed, e.text("")};
    for (GList* at = items; at; at = at->next) {
        auto* item = static_cast<SecretItem*>(at->data);
        SecretValue* value = secret_item_get_secret(item);
        GHashTable* attributes = secret_item_get_attributes(item);
        if (value)
            found.append({attribute(attributes, "section"), attribute(attributes, "key"), secretText(value)});
        g_hash_table_unref(attributes);
        if (value)
            secret_value_unref(value);
    }
    g_list_free_full(items, g_object_unref);
    return answer;
}

KeyringAnswer SecretStore::storeVerified(const StoredSecret& secret)
{
    KeyringAnswer answer;
    const Service service = glib_->open(answer);
    if (!service)
        return answer;
    Error stored;
    if (!glib_->store(service.get(), secret, stored))
        return {KeyringAccess::Failed, stored.text("the keyring refused the password")};
    Error read;
    const std::optional<QString> back = glib_->lookup(service.get(), secret, read);
    if (!back)
        return {KeyringAccess::Failed, read.text("")};
    if (*back != secret.password)
        return {KeyringAccess::Failed, QStringLiteral("the keyring gave back another password")};
    return {KeyringAccess::Open, {}};
}

} // namespace platform
