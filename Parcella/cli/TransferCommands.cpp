#include "TransferCommands.h"

#include "AppText.h"
#include "CliEngine.h"
#include "Console.h"
#include "ExitCode.h"
#include "Failure.h"
#include "TransferLine.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace Parcella {

using namespace ParcelKit;

namespace {

void list(const Workspace& workspace, const QList<Transfer>& transfers, bool json) {
    if (json) {
        QJsonArray array;
        for (const Transfer& transfer : transfers)
            array.append(transfer.toJson());
        Console::out(QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact)) + '\n');
        return;
    }
    Console::out(AppText::tr("Workspace %1 (%2)\n").arg(workspace.name, workspace.id));
    if (transfers.isEmpty())
        Console::out(AppText::tr("No transfers yet.\n"));
    for (const Transfer& transfer : transfers)
        Console::out(TransferLine::describe(transfer, Timestamp::now()) + '\n');
}

QCoro::Task<int> act(CliEngine& engine, CliArguments arguments, std::stop_token token) {
    const Me me = co_await engine.api().me(token);
    const auto workspace = CliEngine::chooseWorkspace(me, arguments.workspace);
    if (!workspace) {
        Console::error(AppText::tr("parcella-cli: No such workspace.\n"));
        co_return ExitCode::usageError;
    }
    switch (arguments.transferAction) {
    case CliArguments::TransferAction::list:
        list(*workspace, co_await engine.api().transfers(workspace->id, token), arguments.json);
        break;
    case CliArguments::TransferAction::remove:
        co_await engine.api().deleteTransfer(arguments.transferID, workspace->id, token);
        Console::out(AppText::tr("Deleted %1.\n").arg(arguments.transferID));
        break;
    case CliArguments::TransferAction::expire: {
        const Transfer changed = co_await engine.api().changeExpiry(
            arguments.transferID, workspace->id, arguments.expiryDays, token);
        Console::out(TransferLine::describe(changed, Timestamp::now()) + '\n');
        break;
    }
    }
    co_return ExitCode::success;
}

} // namespace

QCoro::Task<int> TransferCommands::run(CliEngine& engine, CliArguments arguments,
                                       std::stop_token token) {
    std::exception_ptr error;
    try {
        co_return co_await act(engine, arguments, token);
    } catch (...) {
        error = std::current_exception();
    }
    const auto failure = Failure::from(error, Failure::Stage::account, token.stop_requested());
    Console::error(QStringLiteral("parcella-cli: %1\n").arg(failure.message));
    co_return failure.code;
}

} // namespace Parcella
