#include "FileExpander.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QLocale>

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

QStringList FileExpander::files(const QString& path) {
    if (!QFileInfo(path).isDir())
        return {path};
    QStringList found;
    collect(path, found);
    sortNaturally(found);
    return found;
}

void FileExpander::collect(const QString& folder, QStringList& into) {
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        if (entry.isSymLink())
            continue;
        if (entry.isDir())
            collect(entry.filePath(), into);
        else if (entry.isFile())
            into.append(entry.filePath());
    }
}

} // namespace ParcelKit
