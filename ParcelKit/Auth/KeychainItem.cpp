#include <libsecret/secret.h>

#include "KeychainItem.h"

#include "KeychainError.h"

#include <memory>

namespace ParcelKit {

namespace {

// Items are found by their attributes alone, so the schema name is not required to match.
const SecretSchema schema = {"app.parcella.GenericPassword",
                             SECRET_SCHEMA_DONT_MATCH_NAME,
                             {{"service", SECRET_SCHEMA_ATTRIBUTE_STRING},
                              {"account", SECRET_SCHEMA_ATTRIBUTE_STRING},
                              {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
                             0,
                             nullptr,
                             nullptr,
                             nullptr,
                             nullptr,
                             nullptr,
                             nullptr,
                             nullptr};

constexpr const char* label = "Parcella";
constexpr const char* contentType = "text/plain";

struct Attributes {
    QByteArray service;
    QByteArray account;
    std::unique_ptr<GHashTable, decltype(&g_hash_table_unref)> table{
        g_hash_table_new(g_str_hash, g_str_equal), &g_hash_table_unref};

    Attributes(const QString& service, const QString& account)
        : service(service.toUtf8()), account(account.toUtf8()) {
        g_hash_table_insert(table.get(), const_cast<char*>("service"), this->service.data());
        g_hash_table_insert(table.get(), const_cast<char*>("account"), this->account.data());
    }
};

[[noreturn]] void fail(GError* error) {
    KeychainError failure(error->code, QString::fromUtf8(error->message));
    g_error_free(error);
    throw failure;
}

struct Service {
    SecretService* service = nullptr;

    Service() {
        GError* error = nullptr;
        service = secret_service_get_sync(SECRET_SERVICE_OPEN_SESSION, nullptr, &error);
        if (error)
            fail(error);
    }
    ~Service() { g_object_unref(service); }
    Service(const Service&) = delete;
    Service& operator=(const Service&) = delete;
};

// The matching items, unlocked; with SECRET_SEARCH_ALL every one of them, else the first.
struct Items {
    GList* list = nullptr;

    Items(const Service& service, const Attributes& attributes, int flags) {
        GError* error = nullptr;
        list = secret_service_search_sync(service.service, &schema, attributes.table.get(),
                                          SecretSearchFlags(flags | SECRET_SEARCH_UNLOCK), nullptr,
                                          &error);
        if (error)
            fail(error);
    }
    ~Items() { g_list_free_full(list, g_object_unref); }
    Items(const Items&) = delete;
    Items& operator=(const Items&) = delete;
};

struct Value {
    SecretValue* value;
    explicit Value(SecretValue* value) : value(value) {}
    ~Value() {
        if (value)
            secret_value_unref(value);
    }
    Value(const Value&) = delete;
    Value& operator=(const Value&) = delete;
};

} // namespace

KeychainItem::KeychainItem(QString service, QString account)
    : m_service(std::move(service)), m_account(std::move(account)) {}

std::optional<QByteArray> KeychainItem::read() const {
    const Attributes attributes(m_service, m_account);
    const Service service;
    const Items items(service, attributes, SECRET_SEARCH_LOAD_SECRETS);
    if (!items.list)
        return std::nullopt;
    const Value value(secret_item_get_secret(SECRET_ITEM(items.list->data)));
    if (!value.value)
        return std::nullopt;
    gsize length = 0;
    const gchar* bytes = secret_value_get(value.value, &length);
    return QByteArray(bytes, qsizetype(length));
}

void KeychainItem::write(const QByteArray& data) const {
    const Attributes attributes(m_service, m_account);
    const Service service;
    const Items items(service, attributes, SECRET_SEARCH_ALL);
    const Value value(secret_value_new(data.constData(), data.size(), contentType));
    GError* error = nullptr;
    if (!items.list) {
        secret_password_storev_binary_sync(&schema, attributes.table.get(),
                                           SECRET_COLLECTION_DEFAULT, label, value.value, nullptr,
                                           &error);
        if (error)
            fail(error);
        return;
    }
    // An existing item keeps its label and only takes the new data. Duplicates (left by other
    // clients) go, so that every later read finds this one.
    secret_item_set_secret_sync(SECRET_ITEM(items.list->data), value.value, nullptr, &error);
    if (error)
        fail(error);
    for (GList* other = items.list->next; other; other = other->next) {
        secret_item_delete_sync(SECRET_ITEM(other->data), nullptr, &error);
        if (error)
            fail(error);
    }
}

void KeychainItem::remove() const {
    const Attributes attributes(m_service, m_account);
    GError* error = nullptr;
    secret_password_clearv_sync(&schema, attributes.table.get(), nullptr, &error);
    if (error)
        fail(error);
}

} // namespace ParcelKit
