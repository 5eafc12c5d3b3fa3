#include "Protection.h"

#include "AppText.h"

namespace Parcella {

QList<Protection> allProtections() {
    return {Protection::none, Protection::password, Protection::emailCode};
}

QString protectionCode(Protection protection) {
    switch (protection) {
    case Protection::password:
        return QStringLiteral("password");
    case Protection::emailCode:
        return QStringLiteral("emailCode");
    case Protection::none:
        break;
    }
    return QStringLiteral("none");
}

std::optional<Protection> protectionFromCode(const QString& code) {
    for (Protection protection : allProtections())
        if (protectionCode(protection) == code)
            return protection;
    return std::nullopt;
}

QString protectionLabel(Protection protection) {
    switch (protection) {
    case Protection::password:
        return AppText::tr("Password");
    case Protection::emailCode:
        return AppText::tr("Email code");
    case Protection::none:
        break;
    }
    return AppText::tr("None");
}

} // namespace Parcella
