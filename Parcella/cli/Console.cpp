#include "Console.h"

#include <cstdio>
#include <unistd.h>

namespace Parcella::Console {

void out(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

void error(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

bool isTerminal() {
    return ::isatty(STDOUT_FILENO) == 1;
}

} // namespace Parcella::Console
