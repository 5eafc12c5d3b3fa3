#pragma once

#include <QString>

#include <exception>

namespace ParcelKit {

// An answer that does not have the shape of its record. Never shown to the user: the API client
// turns it into a server error; the description names the offending field for debugging.
class DecodingError : public std::exception {
public:
    explicit DecodingError(QString reason, QString path = {})
        : m_reason(std::move(reason)), m_path(std::move(path)), m_what(description().toUtf8()) {}

    const QString& reason() const { return m_reason; }
    // Where the failure sits, e.g. "workspaces[2].name"; empty for the top-level value.
    const QString& path() const { return m_path; }
    QString description() const { return m_path.isEmpty() ? m_reason : m_path + ": " + m_reason; }
    const char* what() const noexcept override { return m_what.constData(); }

    // The same failure seen from the enclosing value: `step` is a key or an "[index]".
    DecodingError inside(const QString& step) const {
        if (m_path.isEmpty())
            return DecodingError(m_reason, step);
        return DecodingError(m_reason,
                             step + (m_path.startsWith(QLatin1Char('[')) ? "" : ".") + m_path);
    }

private:
    QString m_reason;
    QString m_path;
    QByteArray m_what;
};

} // namespace ParcelKit
