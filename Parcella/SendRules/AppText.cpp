#include "AppText.h"

#include <QCoreApplication>

namespace Parcella {

QString appText(const char* english) {
    return QCoreApplication::translate("Parcella", english);
}

} // namespace Parcella
