#include "FileManagerActions.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

#include <filesystem>

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
    std::error_code failure;
    std::filesystem::create_directories(
        QFile::encodeName(QFileInfo(path).absolutePath()).toStdString(), failure);
    if (failure)
        return QString::fromLocal8Bit(failure.message());
    QFile source(action.resource);
    if (!source.open(QIODevice::ReadOnly))
        return source.errorString();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(source.readAll()) < 0 ||
        !file.setPermissions(file.permissions() |
                             (action.executable
                                  ? QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther
                                  : QFile::Permissions())) ||
        !file.commit())
        return file.errorString();
    return std::nullopt;
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
