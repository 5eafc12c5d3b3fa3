#pragma once

#include "LaunchArguments.h"
#include "SingleInstance.h"

#include <QObject>

namespace Parcella {

// The application delegate: owns what lives as long as the process. Files and parcella: URLs
// that the instance is asked to open, at its start or by a later `parcella ARGS…`, come out of
// `opened` for the application model.
class ParcellaApp : public QObject {
    Q_OBJECT

public:
    explicit ParcellaApp(QObject* parent = nullptr);

    // Becomes the running instance (opening `arguments`) or hands them to the one that runs.
    SingleInstance::Outcome start(const LaunchArguments& arguments);

signals:
    void opened(const QList<QUrl>& urls);

private:
    void open(const LaunchArguments& arguments);

    SingleInstance m_instance;
};

} // namespace Parcella
