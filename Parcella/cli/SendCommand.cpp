#include "SendCommand.h"

#include "AppText.h"
#include "CliEngine.h"
#include "Console.h"
#include "ExitCode.h"
#include "Failure.h"
#include "ProgressPrinter.h"
#include "SendPaths.h"

#include "Cancelled.h"
#include "UploadStore.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QTextStream>
#include <QTimer>

#include <cstdio>
#include <iostream>
#include <string>

namespace Parcella {

using namespace ParcelKit;

namespace {

// Finished uploads older than this can no longer go into a transfer.
constexpr double usableSeconds = 561600;

int fail(const Failure& failure) {
    Console::error(QStringLiteral("parcella-cli: %1\n").arg(failure.message));
    return failure.code;
}

QString readPassword() {
    std::string line;
    std::getline(std::cin, line);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return QString::fromStdString(line);
}

enum class Leftover { everything, aborts };

// Work the queue goes on with in the background gets a bounded moment before the process ends:
// after a send, the previews of its files; after a failure, the abort of the multipart upload
// of a file that changed, which would otherwise stay in storage.
QCoro::Task<void> letFinish(UploadQueue& queue, Leftover which, std::stop_token interrupt) {
    std::stop_source bound;
    std::stop_callback forward(interrupt, [&bound] { bound.request_stop(); });
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [&bound] { bound.request_stop(); });
    timer.start(std::chrono::seconds(20));
    try {
        if (which == Leftover::aborts)
            co_await queue.abortsSettled(bound.get_token());
        else
            co_await queue.settled(bound.get_token());
    } catch (const Cancelled&) {
    }
}

} // namespace

SendForm SendCommand::form(const CliArguments& arguments, const QString& password) {
    SendForm form;
    form.delivery = arguments.emails.isEmpty() ? Delivery::link : Delivery::email;
    form.recipients = arguments.emails.join(',');
    form.subject = arguments.subject;
    form.message = arguments.message;
    form.expiresInDays = arguments.expiresInDays;
    if (arguments.passwordFromStdin) {
        form.protection = Protection::password;
        form.password = password;
    } else if (arguments.emailCode) {
        form.protection = Protection::emailCode;
        form.allowedEmails = arguments.allowed.join(',');
    }
    return form;
}

std::optional<QUuid> SendCommand::earlierUpload(const QList<UploadRecord>& records,
                                                const QString& path, const QString& workspaceID) {
    const QFileInfo file(path);
    for (const UploadRecord& record : records) {
        const UploadItem& item = record.item;
        if (record.path != path || item.workspaceID != workspaceID || item.byteCount != file.size())
            continue;
        if (item.state.kind() == UploadState::Case::finished &&
            (!item.finishedAt || Timestamp::now().secondsSince(*item.finishedAt) > usableSeconds))
            continue;
        return item.id;
    }
    return std::nullopt;
}

QCoro::Task<int> SendCommand::run(CliEngine& engine, CliArguments arguments,
                                  std::stop_token token) {
    const QString password = arguments.passwordFromStdin ? readPassword() : QString();
    const SendForm sendForm = form(arguments, password);
    if (const auto problem = sendForm.validationMessage())
        co_return fail({ExitCode::usageError, *problem});
    const auto selected = SendPaths::select(arguments.paths);
    if (const auto* problem = std::get_if<QString>(&selected))
        co_return fail({ExitCode::usageError, *problem});
    const QStringList paths = std::get<SendPaths::Selection>(selected).files;
    for (const QString& line : std::get<SendPaths::Selection>(selected).leftOut)
        Console::error(QStringLiteral("parcella-cli: %1\n").arg(line));
    if (!engine.auth().isSignedIn())
        co_return fail({ExitCode::signInNeeded,
                        AppText::tr("You are not signed in. Run “parcella-cli login” first.")});

    std::optional<Workspace> workspace;
    try {
        const Me me = co_await engine.api().me(token);
        workspace = CliEngine::chooseWorkspace(me, arguments.workspace);
    } catch (...) {
        co_return fail(Failure::from(std::current_exception(), Failure::Stage::account,
                                     token.stop_requested()));
    }
    if (!workspace)
        co_return fail({ExitCode::usageError, AppText::tr("No such workspace.")});

    UploadQueue& queue = engine.queue();
    const auto earlier = UploadStore(engine.storeURL()).load();
    QList<std::optional<QUuid>> chosen;
    QList<QUrl> fresh;
    for (const QString& path : paths) {
        auto id = earlierUpload(earlier, path, workspace->id);
        const bool listed =
            id && std::any_of(queue.items().begin(), queue.items().end(),
                              [&](const UploadItem& item) { return item.id == *id; });
        if (!listed) {
            id.reset();
            fresh.append(QUrl::fromLocalFile(path));
        } else {
            queue.retry(*id); // a failed or cancelled earlier upload goes on from its parts
        }
        chosen.append(id);
    }
    const QList<QUuid> added = co_await queue.enqueue(fresh, workspace->id);
    QList<QUuid> ids;
    qsizetype next = 0;
    for (const auto& id : chosen)
        ids.append(id ? *id : added.value(next++));

    // With --json standard output carries the transfer alone.
    std::optional<ProgressPrinter> printer;
    if (!arguments.json) {
        auto items = [&queue] { return queue.items(); };
        printer.emplace(std::move(items), ids, Console::isTerminal());
        printer->start();
    }
    QStringList uploadIDs;
    std::exception_ptr uploadFailure;
    try {
        uploadIDs = co_await queue.uploadIDs(ids, token);
    } catch (...) {
        uploadFailure = std::current_exception();
    }
    if (printer)
        printer->finish();
    if (uploadFailure) {
        const int code =
            fail(Failure::from(uploadFailure, Failure::Stage::upload, token.stop_requested()));
        co_await letFinish(queue, Leftover::aborts, token);
        co_return code;
    }

    Transfer transfer;
    try {
        transfer = co_await engine.api().createTransfer(sendForm.newTransfer(uploadIDs),
                                                        workspace->id, token);
    } catch (...) {
        co_return fail(Failure::from(std::current_exception(), Failure::Stage::create,
                                     token.stop_requested()));
    }
    queue.remove(ids);
    co_await letFinish(queue, Leftover::everything, token);
    const QString link = transfer.url ? transfer.url->toString() : transfer.id;
    if (arguments.json)
        Console::out(
            QString::fromUtf8(QJsonDocument(transfer.toJson()).toJson(QJsonDocument::Compact)) +
            '\n');
    else if (transfer.delivery == Delivery::email)
        Console::out(AppText::tr("Transfer sent: %1\n").arg(link));
    else
        Console::out(link + '\n');
    co_return ExitCode::success;
}

} // namespace Parcella
