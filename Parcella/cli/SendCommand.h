#pragma once

#include "CliArguments.h"
#include "SendForm.h"

#include "UploadRecord.h"

#include <QCoroTask>
#include <QUuid>

#include <optional>
#include <stop_token>
#include <variant>

namespace Parcella {

class CliEngine;

// `parcella-cli send`: checks the form with the send rules, uploads (resuming what an earlier
// run of the same files left in "uploads.json"), creates the transfer and prints its link.
class SendCommand {
public:
    static QCoro::Task<int> run(CliEngine& engine, CliArguments arguments, std::stop_token token);

    // The form the options describe; the password comes from standard input when asked for.
    static SendForm form(const CliArguments& arguments, const QString& password);
    // An earlier, still usable upload of `path` into `workspaceID`, if "uploads.json" has one.
    static std::optional<QUuid> earlierUpload(const QList<ParcelKit::UploadRecord>& records,
                                              const QString& path, const QString& workspaceID);
};

} // namespace Parcella
