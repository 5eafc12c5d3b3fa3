#pragma once

#include <QString>

#include <exception>

namespace ParcelKit {

// The file being uploaded changed (size or modification time) or became shorter than a part
// needs. Carries the user-facing text, "%@ was changed while it uploaded." with the file's name.
class FileChangedError : public std::exception {
public:
    explicit FileChangedError(const QString& filename);

    const QString& message() const { return m_message; }
    const char* what() const noexcept override { return m_what.constData(); }

private:
    QString m_message;
    QByteArray m_what;
};

} // namespace ParcelKit
