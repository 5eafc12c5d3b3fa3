#include "FileExpander.h"

#include "EngineText.h"

#include <QCollator>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStringDecoder>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <optional>

namespace ParcelKit {

namespace {

// One run of a name: either all digits or no digits.
QStringView nextRun(QStringView text, qsizetype& position) {
    const qsizetype start = position;
    const bool digits = text[start].isDigit();
    while (position < text.size() && text[position].isDigit() == digits)
        ++position;
    return text.mid(start, position - start);
}

int compareNumbers(QStringView left, QStringView right) {
    auto significant = [](QStringView digits) {
        qsizetype zeros = 0;
        while (zeros < digits.size() - 1 && digits[zeros] == u'0')
            ++zeros;
        return digits.mid(zeros);
    };
    const QStringView a = significant(left);
    const QStringView b = significant(right);
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    if (const int byDigits = a.compare(b); byDigits != 0)
        return byDigits;
    // Equal values: fewer leading zeros first.
    return left.size() == right.size() ? 0 : (left.size() < right.size() ? -1 : 1);
}

// Compares runs of names; one instance serves a whole sort, since making a collator is costly.
class NaturalOrder {
public:
    NaturalOrder() {
        // The C locale has no collation of its own (and no numeric mode); comparing without case
        // is then the closest to what a file manager shows.
        if (QLocale().language() != QLocale::C) {
            m_collator.emplace(QLocale());
            m_collator->setCaseSensitivity(Qt::CaseInsensitive);
        }
    }

    bool operator()(const QString& left, const QString& right) const {
        qsizetype i = 0;
        qsizetype j = 0;
        while (i < left.size() && j < right.size()) {
            const bool digits = left[i].isDigit() && right[j].isDigit();
            const QStringView a = nextRun(left, i);
            const QStringView b = nextRun(right, j);
            const int order = digits ? compareNumbers(a, b) : compareText(a, b);
            if (order != 0)
                return order < 0;
        }
        if (i < left.size() || j < right.size())
            return j < right.size();
        return left < right;
    }

private:
    int compareText(QStringView left, QStringView right) const {
        if (m_collator)
            return m_collator->compare(left, right);
        return left.compare(right, Qt::CaseInsensitive);
    }

    std::optional<QCollator> m_collator;
};

} // namespace

bool FileExpander::naturalLess(const QString& left, const QString& right) {
    return NaturalOrder()(left, right);
}

void FileExpander::sortNaturally(QStringList& paths) {
    std::sort(paths.begin(), paths.end(), NaturalOrder());
}

FileExpander::Expansion FileExpander::expand(const QString& path) {
    Expansion expansion;
    if (!QFileInfo(path).isDir()) {
        expansion.files = QStringList{path};
        return expansion;
    }
    collect(path, expansion);
    sortNaturally(expansion.files);
    return expansion;
}

std::optional<QString> FileExpander::nameProblem(const QString& name) {
    if (name.contains(QChar::ReplacementCharacter))
        return EngineText::tr("its name is not valid UTF-8 text");
    const bool control = std::any_of(name.begin(), name.end(), [](QChar c) {
        return c.unicode() < 0x20 || c.unicode() == 0x7f;
    });
    if (control)
        return EngineText::tr("its name holds a line break or another control character");
    return std::nullopt;
}

void FileExpander::collect(const QString& folder, Expansion& into) {
    // Raw names, not QDir: a name that is not UTF-8 would be decoded lossily or skipped there,
    // and could then be neither opened nor counted.
    const QByteArray encodedFolder = QFile::encodeName(folder);
    DIR* dir = ::opendir(encodedFolder.constData());
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray raw(entry->d_name);
        if (raw == "." || raw == "..")
            continue;
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString name = utf8(raw);
        struct stat status {};
        if (utf8.hasError() || nameProblem(name))
            ++into.unusableNames;
        else if (name.startsWith(u'.'))
            ++into.hidden;
        else if (::lstat((encodedFolder + '/' + raw).constData(), &status) != 0)
            continue; // gone meanwhile
        else if (S_ISLNK(status.st_mode))
            ++into.links;
        else if (S_ISDIR(status.st_mode))
            collect(folder + u'/' + name, into);
        else if (S_ISREG(status.st_mode))
            into.files.append(folder + u'/' + name);
        else
            ++into.special;
    }
    ::closedir(dir);
}

} // namespace ParcelKit
