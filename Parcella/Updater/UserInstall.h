#pragma once

#include <QByteArray>
#include <QString>
#include <QVersionNumber>

#include <chrono>

namespace Parcella {

// A per-user installation: every version unpacked in a folder of its own under the root
// ("~/.local/opt/parcella/0.2.0"), the symbolic link "current" naming the one that starts.
// Blocking file and process work: call it off the main thread.
class UserInstall {
public:
    explicit UserInstall(QString root);

    static QString defaultRoot();
    const QString& root() const { return m_root; }
    QString currentLink() const;
    // True when `executablePath` runs from this installation.
    bool contains(const QString& executablePath) const;

    // Unpacks `archive` (a gzip-compressed tar holding "bin/parcella") next to the installed
    // versions, then points "current" at it by renaming a fresh link over the old one, so a
    // reader sees either link, never none. Returns the program to start. Throws UpdateFailure;
    // then nothing of the new version is left and "current" still names the old one.
    QString install(const QByteArray& archive, const QVersionNumber& version) const;

    // Unpacking a release takes seconds; a tar that hangs is given up after this.
    static constexpr std::chrono::minutes unpackLimit{5};

private:
    void unpack(const QString& archivePath, const QString& destination) const;
    void pointCurrentAt(const QString& versionName) const;

    QString m_root;
};

} // namespace Parcella
