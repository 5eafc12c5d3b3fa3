#pragma once

#include <QString>

#include <exception>

namespace Parcella {

// Why an update was refused or could not be installed, in the user's words. The installed
// version is untouched whenever this is thrown.
struct UpdateFailure : std::exception {
    explicit UpdateFailure(QString text) : message(std::move(text)) {}
    const char* what() const noexcept override { return "update failed"; }

    QString message;
};

} // namespace Parcella
