#include "ServerText.h"

#include <QList>

namespace ParcelKit::ServerText {

namespace {

// Embeddings, overrides and isolates reorder what a terminal or notice shows.
bool changesDirection(char32_t c) {
    return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

} // namespace

QString clean(const QString& text) {
    QString cleaned;
    cleaned.reserve(std::min(text.size(), maxLength + 1));
    bool pendingSpace = false;
    for (const char32_t c : QStringView(text).toUcs4()) {
        if (cleaned.size() > maxLength)
            break;
        const QChar::Category category = QChar::category(c);
        // Line breaks and tabs separate words; other controls are dropped.
        if (QChar::isSpace(c) || category == QChar::Separator_Line ||
            category == QChar::Separator_Paragraph) {
            pendingSpace = !cleaned.isEmpty();
            continue;
        }
        if (category == QChar::Other_Control || changesDirection(c))
            continue;
        if (pendingSpace)
            cleaned += u' ';
        pendingSpace = false;
        cleaned += QString::fromUcs4(&c, 1);
    }
    if (cleaned.size() > maxLength) {
        cleaned.truncate(maxLength - 1);
        // Never end between the halves of a surrogate pair.
        if (!cleaned.isEmpty() && cleaned.back().isHighSurrogate())
            cleaned.chop(1);
        cleaned += QChar(0x2026);
    }
    return cleaned;
}

} // namespace ParcelKit::ServerText
