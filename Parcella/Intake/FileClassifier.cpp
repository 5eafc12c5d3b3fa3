#include "FileClassifier.h"

#include "FileExpander.h"

#include <QDir>

namespace Parcella {

namespace {

// Folders that desktops and tools treat as one document or program.
const QStringList packageExtensions = {
    "app",   "appex", "bundle",        "component",  "framework",    "kext",
    "mpkg",  "pkg",   "plugin",        "prefPane",   "qlgenerator",  "rtfd",
    "saver", "xpc",   "photoslibrary", "xcodeproj",  "xcworkspace",  "playground",
    "scptd", "wdgt",  "mdimporter",    "docarchive", "musiclibrary",
};

QList<QUrl> inShownOrder(QStringList paths) {
    ParcelKit::FileExpander::sortNaturally(paths);
    QList<QUrl> urls;
    urls.reserve(paths.size());
    for (const QString& path : paths)
        urls.append(QUrl::fromLocalFile(path));
    return urls;
}

} // namespace

bool FileClassifier::isPackage(const QFileInfo& entry) {
    if (!entry.isDir())
        return false;
    const QString suffix = entry.suffix();
    if (!suffix.isEmpty() && packageExtensions.contains(suffix, Qt::CaseInsensitive))
        return true;
    const QFileInfo appRun(QDir(entry.filePath()).filePath(QStringLiteral("AppRun")));
    return appRun.isFile() && appRun.isExecutable();
}

ClassifiedFiles FileClassifier::classifyFiles(const QList<QUrl>& urls, std::stop_token token) {
    ClassifiedFiles result;
    for (const QUrl& url : urls) {
        if (token.stop_requested())
            break;
        if (!url.isLocalFile())
            continue;
        // Given by the user, a link counts as what it points to; one to nowhere is left out.
        const QFileInfo entry(url.toLocalFile());
        if (isPackage(entry))
            result.bundles.append(url);
        else if (entry.isDir())
            walk(entry.filePath(), result, token);
        else if (entry.isFile())
            result.files.append(url);
    }
    return result;
}

void FileClassifier::walk(const QString& folder, ClassifiedFiles& into,
                          const std::stop_token& token) {
    QStringList files;
    QStringList bundles;
    QStringList folders{folder};
    while (!folders.isEmpty() && !token.stop_requested()) {
        // Without QDir::Hidden the listing leaves hidden entries out.
        const QFileInfoList entries =
            QDir(folders.takeLast())
                .entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
        for (const QFileInfo& entry : entries) {
            // A link could lead back up the tree.
            if (entry.isSymLink())
                continue;
            if (isPackage(entry))
                bundles.append(entry.filePath());
            else if (entry.isDir())
                folders.append(entry.filePath());
            else if (entry.isFile())
                files.append(entry.filePath());
        }
    }
    into.files += inShownOrder(files);
    into.bundles += inShownOrder(bundles);
}

} // namespace Parcella
