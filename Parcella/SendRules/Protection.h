#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace Parcella {

// Protection of a transfer's download page.
enum class Protection { none, password, emailCode };

QList<Protection> allProtections();
QString protectionCode(Protection protection);
std::optional<Protection> protectionFromCode(const QString& code);
QString protectionLabel(Protection protection);

} // namespace Parcella
