#pragma once

#include <QFileInfo>
#include <QList>
#include <QUrl>

#include <stop_token>

namespace Parcella {

// What a drop or a hand-over holds: the files to send, and the packages refused as they are.
struct ClassifiedFiles {
    QList<QUrl> files;
    QList<QUrl> bundles;

    bool operator==(const ClassifiedFiles&) const = default;
};

// Sorts what the user handed over into files and packages. An application directory or a folder
// named like a package is one thing to the user, but hundreds of loose files to the service, so
// it is refused rather than expanded. Blocking (it walks folders); run it off the main thread.
class FileClassifier {
public:
    // Folders give their regular files, walked recursively in the order a file manager shows,
    // skipping hidden entries and symbolic links inside them and not descending into packages.
    // URLs that are not local files, or name nothing readable, are left out. Stops early, with
    // what it found so far, once `token` stops.
    static ClassifiedFiles classifyFiles(const QList<QUrl>& urls, std::stop_token token = {});

    // A folder holding an executable "AppRun", or named with a package extension.
    static bool isPackage(const QFileInfo& entry);

private:
    static void walk(const QString& folder, ClassifiedFiles& into, const std::stop_token& token);
};

} // namespace Parcella
