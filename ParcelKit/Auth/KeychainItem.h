#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace ParcelKit {

// One generic-password item of the user's secret store (the Secret Service's default
// collection), found by its "service" and "account" attributes and labelled "Parcella".
// Calls are synchronous and may be made from any thread; failures throw KeychainError.
class KeychainItem {
public:
    KeychainItem(QString service, QString account);

    const QString& service() const { return m_service; }
    const QString& account() const { return m_account; }

    // The item's data, or none when there is no such item.
    std::optional<QByteArray> read() const;
    // Creates the item or replaces the data of the existing one.
    void write(const QByteArray& data) const;
    // Deletes every matching item; none existing counts as success.
    void remove() const;

private:
    QString m_service;
    QString m_account;
};

} // namespace ParcelKit
