#pragma once

#include <QCoreApplication>

namespace ParcelKit {

// The engine's own translation context, apart from the application's: English text as key.
// EngineText::tr("...") is what lupdate collects into the engine's table.
class EngineText {
    Q_DECLARE_TR_FUNCTIONS(ParcelKit)
};

} // namespace ParcelKit
