#pragma once

#include <QString>
#include <QStringList>

namespace ParcelKit {

// Turns what the user handed over into the files to upload. Blocking (it walks folders); run it
// off the main thread.
class FileExpander {
public:
    // A folder gives its regular files, walked recursively, hidden entries and symbolic links
    // inside it skipped (a link could lead back up the tree), sorted by path as a file manager
    // sorts. Anything else, including a missing file, stands for itself. An unreadable folder
    // gives nothing.
    static QStringList files(const QString& path);

    // The order a file manager shows: runs of digits compare by value ("name2" before "name10"),
    // other text by the user's collation, ignoring case; exact ties fall back to code points.
    static bool naturalLess(const QString& left, const QString& right);
    // Sorts paths into that order (one collator for the whole sort).
    static void sortNaturally(QStringList& paths);

private:
    static void collect(const QString& folder, QStringList& into);
};

} // namespace ParcelKit
