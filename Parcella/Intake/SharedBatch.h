#pragma once

#include <QList>
#include <QString>
#include <QUrl>
#include <QUuid>

#include <chrono>
#include <optional>
#include <stdexcept>

namespace Parcella {

// Files handed over in a file rather than in a message: a property list (XML or binary) whose
// root is an array of bookmarks, named "<UUID>.plist" in the application group's "Batches"
// folder, and announced by the URL "parcella://send?batch=<UUID>". The batch file lives until it
// is opened, or about a day at most.
class SharedBatch {
public:
    // Why there is no batches folder: no shared data folder at all, or the one named could not be
    // created (the text says why).
    class Failure : public std::runtime_error {
    public:
        enum class Kind { noContainer, notCreated };
        Failure(Kind kind, const QString& text);
        Kind kind() const { return m_kind; }

    private:
        Kind m_kind;
    };

    // "PCAppGroup" of the information dictionary, else the built-in group.
    static QString appGroup();
    // The batches folder, created if missing. Throws Failure.
    static QString directory();

    // The batch a URL names, whatever the letter case of its id; none for any other URL.
    static std::optional<QUuid> batchID(const QUrl& url);
    static QUrl url(const QUuid& id);

    // Writes the files as a new batch (binary form) and gives its id. Throws Failure, or
    // std::runtime_error with the system's text when the file cannot be written.
    static QUuid write(const QList<QUrl>& files);
    // Reads the batch and deletes its file, so that it is taken once; gives the files that still
    // exist. Nothing when the batch is missing or unreadable. Blocking.
    static QList<QUrl> take(const QUuid& id);

    // Deletes entries of the batches folder last changed longer ago than `age`; failures are
    // ignored. Blocking.
    static void removeStale(std::chrono::seconds age);

private:
    static QString fileName(const QUuid& id);
};

} // namespace Parcella
