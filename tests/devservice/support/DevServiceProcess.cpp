#include "DevServiceProcess.h"

#include <QDeadlineTimer>
#include <QRegularExpression>

DevServiceProcess::DevServiceProcess(QStringList extraArguments) {
    QStringList arguments{"--listen", "127.0.0.1:0", "--data", dataDir_.path()};
    arguments += extraArguments;
    process_.setProgram(QStringLiteral(PARCELLA_DEVSERVICE));
    process_.setArguments(arguments);
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    process_.setReadChannel(QProcess::StandardOutput);
    process_.start();
    if (!process_.waitForStarted(10000)) {
        error_ = process_.errorString();
        return;
    }
    static const QRegularExpression ready(
        QStringLiteral("^parcella-devservice listening on (http://\\S+)$"));
    const QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired()) {
        if (!process_.canReadLine() && !process_.waitForReadyRead(int(deadline.remainingTime())))
            break;
        while (process_.canReadLine()) {
            const auto line = QString::fromUtf8(process_.readLine()).trimmed();
            const auto match = ready.match(line);
            if (match.hasMatch()) {
                baseUrl_ = QUrl(match.captured(1));
                return;
            }
        }
    }
    error_ = QStringLiteral("no start line; stderr: ") +
             QString::fromUtf8(process_.readAllStandardError());
}

DevServiceProcess::~DevServiceProcess() {
    process_.terminate();
    if (!process_.waitForFinished(10000)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}
