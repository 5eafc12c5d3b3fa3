#include "SendPaths.h"

#include "AppText.h"

#include <QFileInfo>

#include <sys/stat.h>

namespace Parcella {

using ParcelKit::FileExpander;

QString SendPaths::shown(const QString& path) {
    QString result;
    for (const QChar c : path) {
        if (c == u'\n')
            result += QStringLiteral("\\n");
        else if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            result += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            result += c;
    }
    return QStringLiteral("“%1”").arg(result);
}

std::optional<QString> SendPaths::problemWith(const QString& path) {
    const QFileInfo info(path);
    const auto nameProblem = FileExpander::nameProblem(info.fileName());
    if (!info.exists() && !info.isSymLink()) {
        // Arguments are decoded as UTF-8, so a name that is not cannot be found again.
        if (nameProblem && path.contains(QChar::ReplacementCharacter))
            return AppText::tr("%1: %2, so it cannot be opened or sent. Rename it to a UTF-8 "
                               "name (convmv can do that) and send it again.")
                .arg(shown(path), *nameProblem);
        return AppText::tr("%1: no such file or folder.").arg(shown(path));
    }
    if (info.isDir())
        return std::nullopt;
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) == 0 && S_ISFIFO(status.st_mode))
        return AppText::tr("%1 is a named pipe, not a file; only regular files can be sent. "
                           "Save what it carries to a file and send that.")
            .arg(shown(path));
    if (!info.isFile())
        return AppText::tr("%1 is not a regular file (a socket or a device); only regular "
                           "files can be sent.")
            .arg(shown(path));
    if (nameProblem)
        return AppText::tr("%1: %2, which the service does not accept. Rename the file and "
                           "send it again.")
            .arg(shown(path), *nameProblem);
    return std::nullopt;
}

QString SendPaths::leftOutLine(const QString& folder, const FileExpander::Expansion& walk) {
    QStringList parts;
    if (walk.hidden > 0)
        parts << AppText::tr("%n hidden items", nullptr, walk.hidden);
    if (walk.links > 0)
        parts << AppText::tr("%n symbolic links", nullptr, walk.links);
    if (walk.special > 0)
        parts << AppText::tr("%n named pipes or other special files", nullptr, walk.special);
    if (walk.unusableNames > 0)
        parts << AppText::tr("%n files whose name is not UTF-8 or holds a line break (rename to "
                             "send)",
                             nullptr, walk.unusableNames);
    if (parts.isEmpty())
        return {};
    return AppText::tr("Left out of %1: %2.").arg(shown(folder), parts.join(QStringLiteral(", ")));
}

std::variant<SendPaths::Selection, QString> SendPaths::select(const QStringList& paths) {
    Selection selection;
    for (const QString& path : paths) {
        if (const auto problem = problemWith(path))
            return *problem;
        const FileExpander::Expansion walk =
            FileExpander::expand(QFileInfo(path).absoluteFilePath());
        if (walk.files.isEmpty())
            return AppText::tr("%1: no files to send.").arg(shown(path));
        selection.files += walk.files;
        if (const QString line = leftOutLine(path, walk); !line.isEmpty())
            selection.leftOut << line;
    }
    return selection;
}

} // namespace Parcella
