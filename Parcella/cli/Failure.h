#pragma once

#include "ExitCode.h"

#include <QString>

#include <exception>

namespace Parcella {

// How a command ended when it did not succeed: the one line to print and the exit status.
struct Failure {
    ExitCode code = ExitCode::failure;
    QString message;

    // Where the failure happened decides what a service error means to the user.
    enum class Stage { account, upload, create };
    static Failure from(std::exception_ptr error, Stage stage, bool interrupted);
};

} // namespace Parcella
