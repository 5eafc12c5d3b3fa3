#include "UserInstall.h"

#include "AppText.h"
#include "UpdateFailure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace Parcella {

namespace {

const QString programInArchive = QStringLiteral("bin/parcella");

[[noreturn]] void fail(const QString& text) {
    throw UpdateFailure(text);
}

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

UserInstall::UserInstall(QString root) : m_root(QDir::cleanPath(std::move(root))) {}

QString UserInstall::defaultRoot() {
    return QDir::homePath() + QStringLiteral("/.local/opt/parcella");
}

QString UserInstall::currentLink() const {
    return m_root + QStringLiteral("/current");
}

bool UserInstall::contains(const QString& executablePath) const {
    const QString program = QFileInfo(executablePath).canonicalFilePath();
    const QString root = QFileInfo(m_root).canonicalFilePath();
    return !program.isEmpty() && !root.isEmpty() && program.startsWith(root + u'/');
}

QString UserInstall::install(const QByteArray& archive, const QVersionNumber& version) const {
    const QString versionName = version.toString();
    if (!QDir().mkpath(m_root))
        fail(AppText::tr("The folder %1 cannot be created.").arg(m_root));
    const QString target = m_root + u'/' + versionName;
    if (QFileInfo(currentLink()).canonicalFilePath() == QFileInfo(target).canonicalFilePath() &&
        QFileInfo::exists(target))
        fail(AppText::tr("Version %1 is already installed.").arg(versionName));

    // Everything is staged inside the root, so the final moves stay on one file system.
    QTemporaryDir staging(m_root + QStringLiteral("/.staging-XXXXXX"));
    if (!staging.isValid())
        fail(AppText::tr("The update cannot be unpacked: %1").arg(staging.errorString()));
    const QString archivePath = staging.filePath(QStringLiteral("release.tar.gz"));
    QSaveFile file(archivePath);
    if (!file.open(QIODevice::WriteOnly) || file.write(archive) != archive.size() || !file.commit())
        fail(AppText::tr("The update cannot be unpacked: %1").arg(file.errorString()));
    const QString tree = staging.filePath(QStringLiteral("tree"));
    QDir().mkpath(tree);
    unpack(archivePath, tree);
    if (!QFileInfo(tree + u'/' + programInArchive).isExecutable())
        fail(AppText::tr("The update holds no program to start."));

    // A folder of this version left by an earlier attempt never became current: replace it.
    if (QFileInfo::exists(target) && !QDir(target).removeRecursively())
        fail(AppText::tr("The folder %1 cannot be replaced.").arg(target));
    if (!QDir().rename(tree, target))
        fail(AppText::tr("The update cannot be moved to %1.").arg(target));
    try {
        pointCurrentAt(versionName);
    } catch (const UpdateFailure&) {
        QDir(target).removeRecursively();
        throw;
    }
    return currentLink() + u'/' + programInArchive;
}

void UserInstall::unpack(const QString& archivePath, const QString& destination) const {
    const QString tar = QStandardPaths::findExecutable(QStringLiteral("tar"));
    if (tar.isEmpty())
        fail(AppText::tr("The update cannot be unpacked: no tar program was found."));
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(tar,
                  {QStringLiteral("-xzf"), archivePath, QStringLiteral("-C"), destination,
                   QStringLiteral("--no-same-owner"), QStringLiteral("--delay-directory-restore")});
    const int limit = int(std::chrono::milliseconds(unpackLimit).count());
    if (!process.waitForFinished(limit)) {
        process.kill();
        process.waitForFinished(1000);
        fail(AppText::tr("The update cannot be unpacked: %1").arg(process.errorString()));
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        const QString output = QString::fromLocal8Bit(process.readAll()).trimmed();
        fail(AppText::tr("The update cannot be unpacked: %1").arg(output.section(u'\n', -1)));
    }
}

void UserInstall::pointCurrentAt(const QString& versionName) const {
    // Relative, so the whole installation can be moved.
    const QByteArray fresh = QFile::encodeName(m_root + QStringLiteral("/.current-new"));
    ::unlink(fresh.constData());
    if (::symlink(QFile::encodeName(versionName).constData(), fresh.constData()) != 0)
        fail(AppText::tr("The link to the new version cannot be made: %1").arg(systemError()));
    if (std::rename(fresh.constData(), QFile::encodeName(currentLink()).constData()) != 0) {
        const QString reason = systemError();
        ::unlink(fresh.constData());
        fail(AppText::tr("The link to the new version cannot be made: %1").arg(reason));
    }
}

} // namespace Parcella
