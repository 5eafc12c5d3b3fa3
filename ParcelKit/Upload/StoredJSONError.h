#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

namespace ParcelKit {

// A stored JSON document that does not have the expected shape. The description names the first
// mismatch found.
class StoredJSONError : public std::exception {
public:
    explicit StoredJSONError(QString description)
        : m_description(std::move(description)), m_what(m_description.toUtf8()) {}

    const QString& description() const { return m_description; }
    const char* what() const noexcept override { return m_what.constData(); }

private:
    QString m_description;
    QByteArray m_what;
};

} // namespace ParcelKit
