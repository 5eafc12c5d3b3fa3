#pragma once

#include "LaunchArguments.h"
#include "SingleInstance.h"

#include "TaskHandle.h"

#include <QObject>

#include <memory>

namespace Parcella {

class AppModel;
class StatusItemController;
class Updater;

// The application delegate: owns what lives as long as the process. Once this process is the
// running instance it builds the application model, runs the start-up chores, and opens the files
// and parcella: URLs it is asked to open, at its start or by a later `parcella ARGS…`.
class ParcellaApp : public QObject {
    Q_OBJECT

public:
    explicit ParcellaApp(QObject* parent = nullptr);
    ~ParcellaApp() override;

    // Becomes the running instance (opening `arguments`) or hands them to the one that runs.
    SingleInstance::Outcome start(const LaunchArguments& arguments);

private:
    void finishLaunching(bool autostart);
    // A later start without arguments re-opens the application: the popover shows.
    void open(const LaunchArguments& arguments);

    SingleInstance m_instance;
    std::unique_ptr<AppModel> m_model;
    std::unique_ptr<Updater> m_updater;
    std::unique_ptr<StatusItemController> m_statusItem;
    ParcelKit::TaskHandle<void> m_startup;
};

} // namespace Parcella
