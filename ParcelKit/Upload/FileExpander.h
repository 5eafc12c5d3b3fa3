#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace ParcelKit {

// Turns what the user handed over into the files to upload. Blocking (it walks folders); run it
// off the main thread.
class FileExpander {
public:
    // A folder's files and what its walk left out, so that nothing is left out silently.
    struct Expansion {
        QStringList files;
        int hidden = 0;        // hidden entries, by rule
        int links = 0;         // symbolic links, by rule (a link could lead back up the tree)
        int unusableNames = 0; // names that are not UTF-8 or hold control characters
        int special = 0;       // named pipes, sockets, devices
    };

    // A folder gives its regular files, walked recursively, hidden entries, symbolic links,
    // special files and unusable names inside it skipped, sorted by path as a file manager
    // sorts. Anything else, including a missing file, stands for itself. An unreadable folder
    // gives nothing.
    static Expansion expand(const QString& path);
    static QStringList files(const QString& path) { return expand(path).files; }

    // Why a file name cannot be sent as it is: it did not decode as UTF-8 (it holds U+FFFD, the
    // mark of a byte that is not UTF-8) or holds a control character such as a line break.
    static std::optional<QString> nameProblem(const QString& name);

    // The order a file manager shows: runs of digits compare by value ("name2" before "name10"),
    // other text by the user's collation, ignoring case; exact ties fall back to code points.
    static bool naturalLess(const QString& left, const QString& right);
    // Sorts paths into that order (one collator for the whole sort).
    static void sortNaturally(QStringList& paths);

private:
    static void collect(const QString& folder, Expansion& into);
};

} // namespace ParcelKit
