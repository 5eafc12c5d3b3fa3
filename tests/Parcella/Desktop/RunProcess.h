#pragma once

#include "TestSupport.h"

#include <QProcess>

namespace Parcella::Testing {

// Runs `program` in `folder` without blocking this event loop, which may be the instance it talks
// to. The exit code; -1 for a crash or a run longer than a minute.
inline int runProcess(const QString& folder, const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(program, arguments);
    if (!ParcelKit::Testing::spinUntil([&] { return process.state() == QProcess::NotRunning; },
                                       std::chrono::seconds(60)))
        return -1;
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

} // namespace Parcella::Testing
