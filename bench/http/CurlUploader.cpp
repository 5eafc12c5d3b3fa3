#include "CurlUploader.h"

#include <spawn.h>
#include <sys/wait.h>

#include <stdexcept>
#include <vector>

extern char** environ;

CurlUploader::CurlUploader(UploadPlan plan) : m_plan(std::move(plan)) {}

QStringList CurlUploader::arguments(const QString& partFile) const {
    // Without "Expect:" curl would wait for a 100 Continue before every body.
    QStringList arguments{"--silent",
                          "--show-error",
                          "--no-progress-meter",
                          "--fail",
                          "--parallel",
                          "--parallel-max",
                          QString::number(m_plan.inFlight),
                          "--header",
                          "Expect:"};
    for (int part = 0; part < m_plan.parts; ++part) {
        arguments << "--upload-file" << partFile << m_plan.partURL("curl", part).toString()
                  << "--output"
                  << "/dev/null";
    }
    return arguments;
}

QString CurlUploader::summary(const QString& partFile) const {
    const QStringList all = arguments(partFile);
    const QStringList head = all.mid(0, 9 + 5);
    return QStringLiteral("curl %1 … (%2 transfers like the last)")
        .arg(head.join(' '))
        .arg(m_plan.parts);
}

Measurement CurlUploader::run(const QString& partFile) const {
    const QStringList textArguments = QStringList{"curl"} + arguments(partFile);
    std::vector<QByteArray> storage;
    for (const QString& argument : textArguments)
        storage.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& argument : storage)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, "curl", nullptr, nullptr, argv.data(), environ) != 0)
        throw std::runtime_error("curl could not be started");
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("curl failed");
    const auto end = std::chrono::steady_clock::now();

    Measurement measurement;
    measurement.bytes = m_plan.totalBytes();
    measurement.seconds = std::chrono::duration<double>(end - start).count();
    measurement.cpuSeconds = Measurement::cpuSecondsOf(usage);
    return measurement;
}
