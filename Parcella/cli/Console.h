#pragma once

#include <QString>

namespace Parcella {

// Standard output and error of the command-line client, UTF-8, flushed at every write.
namespace Console {
void out(const QString& text);
void error(const QString& text);
bool isTerminal();
} // namespace Console

} // namespace Parcella
