#pragma once

#include <QStringList>

#include <optional>

namespace Parcella {

// "Send with Parcella" in the file managers that read actions of their own: a Dolphin service
// menu, a Nemo action and a Nautilus script, installed into the user's data folder on request.
// Each starts `parcella --send FILE…`, which hands the files to the running instance.
class FileManagerActions {
public:
    // The paths written, or the reason of the first failure.
    struct Result {
        QStringList installed;
        std::optional<QString> error;
    };
    static Result install();
};

} // namespace Parcella
