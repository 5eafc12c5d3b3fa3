#include "UserFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <filesystem>

namespace Parcella {

std::optional<QString> UserFile::replace(const QString& path, const QByteArray& contents,
                                         QFileDevice::Permissions extra) {
    // QDir::mkpath would not tell why it failed.
    std::error_code failure;
    std::filesystem::create_directories(
        QFile::encodeName(QFileInfo(path).absolutePath()).toStdString(), failure);
    if (failure)
        return QString::fromLocal8Bit(failure.message());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) < 0 ||
        !file.setPermissions(file.permissions() | extra) || !file.commit())
        return file.errorString();
    return std::nullopt;
}

} // namespace Parcella
