#include "ParcellaApp.h"

#include <QTimer>

namespace Parcella {

ParcellaApp::ParcellaApp(QObject* parent) : QObject(parent) {
    connect(&m_instance, &SingleInstance::received, this, &ParcellaApp::open);
}

SingleInstance::Outcome ParcellaApp::start(const LaunchArguments& arguments) {
    const auto outcome = m_instance.claim(arguments);
    // Opened once the event loop runs, so whoever connects to `opened` after start sees them.
    if (outcome == SingleInstance::Outcome::primary && !arguments.urls.isEmpty())
        QTimer::singleShot(0, this, [this, arguments] { open(arguments); });
    return outcome;
}

void ParcellaApp::open(const LaunchArguments& arguments) {
    emit opened(arguments.urls);
}

} // namespace Parcella
