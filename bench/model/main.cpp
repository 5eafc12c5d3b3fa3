// The application model at work during an upload: parcella-cli's send, but through AppModel, with
// a view bound to its list models that reads every row and role they report as changed. Its
// throughput and main-thread stalls next to parcella-cli's show what an open popover costs.
// With --popover the real popover window is built instead, shown ("open") or hidden ("closed").
//
//     bench-model --service URL [--popover open|closed] FILE...
//
// Signs in with the tokens parcella-cli keeps in the keyring; exits 0 once the transfer exists.
#include "AppModel.h"
#include "PopoverPresenter.h"
#include "PopoverWindow.h"
#include "StallProbe.h"

#include "ParcellaConfiguration.h"
#include "TaskHandle.h"

#include <QCommandLineParser>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

using namespace Parcella;

namespace {

// Reads what a bound delegate would read, so a model that reports too much costs what it would.
void bindView(AppModel& model) {
    for (QAbstractListModel* list : {model.uploadsModel(), model.visibleUploadsModel(),
                                     model.pendingItemsModel(), model.transfersModel()}) {
        QObject::connect(
            list, &QAbstractItemModel::dataChanged, list,
            [list](const QModelIndex& top, const QModelIndex& bottom, const QList<int>& roles) {
                for (int row = top.row(); row <= bottom.row(); ++row)
                    for (int role : roles)
                        list->data(list->index(row), role);
            });
    }
    QObject::connect(&model, &AppModel::progressChanged, &model, [&model] { model.progress(); });
}

QCoro::Task<void> send(AppModel& model, QStringList files) {
    co_await model.loadAccount();
    if (!model.workspace()) {
        std::fprintf(stderr, "bench-model: not signed in (run parcella-cli login first)\n");
        QCoreApplication::exit(2);
        co_return;
    }
    QList<QUrl> urls;
    for (const QString& file : files)
        urls.append(QUrl::fromLocalFile(file));
    co_await model.queue().enqueue(urls, model.workspace()->id);
    co_await model.send();
    if (!model.pending()) {
        std::fprintf(stderr, "bench-model: nothing to send: %s\n",
                     qPrintable(model.notice().value_or(QString())));
        QCoreApplication::exit(1);
    }
}

// Like parcella-cli, which quits once the queue has settled (previews included).
QCoro::Task<void> quitWhenSettled(AppModel& model) {
    co_await model.queue().settled();
    QCoreApplication::exit(0);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({"service", "The service's base URL.", "url"});
    parser.addOption({"popover", "The real popover window, shown or hidden.", "open|closed"});
    parser.addPositionalArgument("files", "Files to send.", "FILE...");
    parser.process(app);
    const QString popoverState = parser.value("popover");
    if (parser.positionalArguments().isEmpty() || !parser.isSet("service") ||
        !QStringList{"", "open", "closed"}.contains(popoverState))
        parser.showHelp(2);

    QTemporaryDir folder;
    AppModelOptions options;
    options.storageFolder = folder.path();
    options.settings =
        std::make_shared<QSettings>(folder.filePath("settings.ini"), QSettings::IniFormat);
    auto configuration = ParcelKit::ParcellaConfiguration::fromInstalledInfo();
    configuration.baseURL = QUrl(parser.value("service"));
    options.configuration = configuration;

    AppModel model(options);
    PopoverPresenter presenter(model);
    std::unique_ptr<PopoverWindow> popover;
    if (popoverState.isEmpty()) {
        bindView(model);
    } else {
        popover =
            std::make_unique<PopoverWindow>(model, presenter, nullptr, PopoverWindow::Mode::window);
        if (popoverState == "open")
            popover->show();
    }
    ParcelKit::TaskHandle<void> settling;
    QObject::connect(&model, &AppModel::lastCreatedChanged, &app, [&model, &settling] {
        if (model.lastCreated() && !settling.isValid())
            settling = ParcelKit::TaskHandle<void>::start(
                [&model](std::stop_token) { return quitWhenSettled(model); });
    });
    QObject::connect(&model, &AppModel::isSendingChanged, &app, [&model] {
        if (!model.isSending() && !model.lastCreated()) {
            std::fprintf(stderr, "bench-model: the send failed: %s\n",
                         qPrintable(model.notice().value_or(QString())));
            QCoreApplication::exit(1);
        }
    });
    // From here on: what the user feels while the files upload, not the start-up.
    StallProbe probe;
    const QStringList files = parser.positionalArguments();
    const auto sending = ParcelKit::TaskHandle<void>::start(
        [&model, files](std::stop_token) { return send(model, files); });
    return app.exec();
}
