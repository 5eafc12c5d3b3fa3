#pragma once

#include "CliArguments.h"

#include <QString>

namespace Parcella {

// The texts of `parcella-cli help`, `help COMMAND` / `COMMAND --help` and `--version`.
class CliHelp {
public:
    static QString usage();
    static QString forCommand(CliArguments::Command command);
    static QString version();

private:
    static QString exitCodes();
};

} // namespace Parcella
