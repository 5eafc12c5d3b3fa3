#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QString>

#include <optional>

namespace Parcella {

// Writes a small file of the user's (a desktop entry, an action, a batch) as a whole: missing
// folders are created, the contents go to a temporary file renamed over the old one. Blocking.
class UserFile {
public:
    // The system's text of the first failure, or none.
    static std::optional<QString> replace(const QString& path, const QByteArray& contents,
                                          QFileDevice::Permissions extra = {});
};

} // namespace Parcella
