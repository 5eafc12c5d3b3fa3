#include "FileManagerActions.h"

#include "UserFile.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace Parcella {

namespace {

struct Action {
    QString resource;
    // Below the user's data folder.
    QString target;
    // Dolphin runs only executable service menus of the user; Nautilus only executable scripts.
    bool executable;
};

std::optional<QString> installOne(const Action& action, const QString& path) {
    QFile source(action.resource);
    if (!source.open(QIODevice::ReadOnly))
        return source.errorString();
    return UserFile::replace(path, source.readAll(),
                             action.executable ? QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther
                                               : QFile::Permissions());
}

} // namespace

FileManagerActions::Result FileManagerActions::install() {
    static const QList<Action> actions = {
        {":/filemanager/parcella-send.desktop", "kio/servicemenus/parcella-send.desktop", true},
        {":/filemanager/parcella-send.nemo_action", "nemo/actions/parcella-send.nemo_action",
         false},
        {":/filemanager/send-with-parcella.sh", "nautilus/scripts/Send with Parcella", true},
    };
    const QDir data(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    Result result;
    for (const Action& action : actions) {
        const QString path = data.filePath(action.target);
        if (const auto error = installOne(action, path)) {
            result.error = QStringLiteral("%1: %2").arg(path, *error);
            break;
        }
        result.installed.append(path);
    }
    return result;
}

} // namespace Parcella
