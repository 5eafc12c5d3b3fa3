#pragma once

namespace Parcella {

// Exit statuses of parcella-cli, so scripts can tell why a command ended.
enum ExitCode : int {
    success = 0,
    failure = 1,            // anything not listed below
    usageError = 2,         // wrong arguments or a form the send rules refuse
    signInNeeded = 3,       // no session, or the service ended it
    uploadFailed = 4,       // a file could not be uploaded
    serviceRefused = 5,     // the service refused the request (validation, other error answers)
    keyringUnavailable = 6, // no Secret Service answers; sign-ins are never kept in a plain file
    interrupted = 130,      // Ctrl-C; unfinished uploads resume at the next send
};

} // namespace Parcella
