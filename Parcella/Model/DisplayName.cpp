#include "DisplayName.h"

#include "AppText.h"

namespace Parcella {

QString displayName(const ParcelKit::Transfer& transfer) {
    const QString subject = transfer.subject.value_or(QString()).trimmed();
    if (!subject.isEmpty())
        return subject;
    if (transfer.files.size() == 1)
        return transfer.files.first().filename;
    return AppText::tr("%n files", nullptr, int(transfer.files.size()));
}

} // namespace Parcella
