#pragma once

#include <QCoreApplication>

namespace Parcella {

// The application's translation context, apart from the engine's: English text as key.
// AppText::tr("...") is what lupdate collects for code outside QObject classes.
class AppText {
    Q_DECLARE_TR_FUNCTIONS(Parcella)
};

} // namespace Parcella
