#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

// Runs the real parcella-devservice on a free loopback port with a temporary data folder.
class DevServiceProcess {
public:
    explicit DevServiceProcess(QStringList extraArguments = {});
    ~DevServiceProcess();
    DevServiceProcess(const DevServiceProcess&) = delete;
    DevServiceProcess& operator=(const DevServiceProcess&) = delete;

    // False when the program did not announce its address; errorText() then says why.
    bool isRunning() const { return baseUrl_.isValid(); }
    QString errorText() const { return error_; }
    QString url(const QString& path) const { return baseUrl_.toString() + path; }

private:
    QTemporaryDir dataDir_;
    QProcess process_;
    QUrl baseUrl_;
    QString error_;
};
