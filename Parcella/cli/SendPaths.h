#pragma once

#include "FileExpander.h"

#include <QStringList>

#include <variant>

namespace Parcella {

// The files a send names, checked before anything uploads: a problem names the file, says what
// is wrong and what to do; a folder says in one line what its walk left out.
class SendPaths {
public:
    struct Selection {
        QStringList files;
        QStringList leftOut; // one line per folder that left something out
    };

    static std::variant<Selection, QString> select(const QStringList& paths);
    // Empty when the walk left nothing out.
    static QString leftOutLine(const QString& folder,
                               const ParcelKit::FileExpander::Expansion& walk);
    // The path on one line: control characters shown as escapes.
    static QString shown(const QString& path);

private:
    static std::optional<QString> problemWith(const QString& path);
};

} // namespace Parcella
