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

} // namespace

KeychainItem::KeychainItem(QString service, QString account)
    : m_service(std::move(service)), m_account(std::move(account)) {}

std::optional<QByteArray> KeychainItem::read() const {
    Attributes attributes(m_service, m_account);
    GError* error = nullptr;
    SecretValue* value =
        secret_password_lookupv_binary_sync(&schema, attributes.table.get(), nullptr, &error);
    if (error)
        fail(error);
    if (!value)
        return std::nullopt;
    gsize length = 0;
    const gchar* bytes = secret_value_get(value, &length);
    QByteArray data(bytes, qsizetype(length));
    secret_value_unref(value);
    return data;
}

void KeychainItem::write(const QByteArray& data) const {
    Attributes attributes(m_service, m_account);
    SecretValue* value = secret_value_new(data.constData(), data.size(), contentType);
    GError* error = nullptr;
    secret_password_storev_binary_sync(&schema, attributes.table.get(), SECRET_COLLECTION_DEFAULT,
                                       label, value, nullptr, &error);
    secret_value_unref(value);
    if (error)
        fail(error);
}

void KeychainItem::remove() const {
    Attributes attributes(m_service, m_account);
    GError* error = nullptr;
    secret_password_clearv_sync(&schema, attributes.table.get(), nullptr, &error);
    if (error)
        fail(error);
}

} // namespace ParcelKit
