#include "ParcellaApp.h"

#include "AppModel.h"
#include "SharedBatch.h"
#include "StatusItemController.h"
#include "URLOpener.h"
#include "Updater.h"
#include "UpdaterSetup.h"

#include <QThreadPool>
#include <QTimer>

namespace Parcella {

namespace {

constexpr std::chrono::seconds batchLifetime{86400};
constexpr std::chrono::milliseconds popoverDelay{400};

QCoro::Task<void> loadThenResume(AppModel* model, std::stop_token token) {
    co_await model->loadAccount(token);
    if (!token.stop_requested())
        model->resumePendingSend();
}

} // namespace

ParcellaApp::ParcellaApp(QObject* parent) : QObject(parent) {
    connect(&m_instance, &SingleInstance::received, this, &ParcellaApp::open);
}

ParcellaApp::~ParcellaApp() {
    m_startup.cancel();
}

SingleInstance::Outcome ParcellaApp::start(const LaunchArguments& arguments) {
    const auto outcome = m_instance.claim(arguments);
    if (outcome != SingleInstance::Outcome::primary)
        return outcome;
    m_model = std::make_unique<AppModel>();
    finishLaunching(arguments.autostart);
    if (!arguments.urls.isEmpty())
        URLOpener::open(*m_model, arguments.urls);
    return outcome;
}

void ParcellaApp::finishLaunching(bool autostart) {
    m_updater = std::make_unique<Updater>(*m_model, UpdaterSetup::installed());
    m_statusItem =
        std::make_unique<StatusItemController>(*m_model, &QCoreApplication::quit, m_updater.get());
    m_updater->setPopoverShownTest(
        [popover = &m_statusItem->popover()] { return popover->isVisible(); });
    // A batch nobody opened within a day was left by a hand-over that failed.
    QThreadPool::globalInstance()->start([] { SharedBatch::removeStale(batchLifetime); });
    m_model->startWakeObserver();
    if (m_model->auth().isSignedIn()) {
        AppModel* model = m_model.get();
        m_startup = ParcelKit::TaskHandle<void>::start(
            [model](std::stop_token token) { return loadThenResume(model, token); });
        m_model->startPolling();
    } else if (!autostart) {
        QTimer::singleShot(popoverDelay, m_model.get(),
                           [model = m_model.get()] { model->showPopover(); });
    }
}

void ParcellaApp::open(const LaunchArguments& arguments) {
    if (arguments.urls.isEmpty())
        m_model->showPopover();
    else
        URLOpener::open(*m_model, arguments.urls);
}

} // namespace Parcella
