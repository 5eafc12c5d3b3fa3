#include "Addresses.h"

#include <QRegularExpression>

namespace Parcella {

QStringList addresses(const QString& text) {
    static const QRegularExpression separators(QStringLiteral("[,; \\n\\t]"));
    QStringList result;
    for (const QString& piece : text.split(separators, Qt::SkipEmptyParts)) {
        const QString trimmed = piece.trimmed();
        if (!trimmed.isEmpty())
            result.append(trimmed);
    }
    return result;
}

} // namespace Parcella
