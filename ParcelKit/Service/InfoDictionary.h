#pragma once

#include <QJsonObject>
#include <QString>

#include <optional>

namespace ParcelKit {

// The application's information dictionary: the installed "share/parcella/Info.json" beside the
// executable's prefix when present, else the copy compiled into the engine. It belongs to the
// installed application and is not a user settings file.
class InfoDictionary {
public:
    static std::optional<QJsonObject> load();
    // Reads `installedPath` when that file exists, else the compiled-in copy. Nothing when the
    // chosen file is unreadable or not a JSON object.
    static std::optional<QJsonObject> load(const QString& installedPath);

    // Where an installed application keeps its dictionary.
    static QString installedPath();
};

} // namespace ParcelKit
