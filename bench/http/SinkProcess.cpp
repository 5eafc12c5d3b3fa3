#include "SinkProcess.h"

#include "TestHTTPServer.h"

#include <QCoreApplication>

#include <cstdio>
#include <iostream>
#include <stdexcept>
#include <string>

SinkProcess::SinkProcess() {
    m_process.setProgram(QCoreApplication::applicationFilePath());
    m_process.setArguments({"--sink"});
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start();
    if (!m_process.waitForStarted(10'000) || !m_process.waitForReadyRead(10'000))
        throw std::runtime_error("the sink did not start");
    m_url = QUrl(QString::fromUtf8(m_process.readLine().trimmed()));
}

SinkProcess::~SinkProcess() {
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(10'000))
        m_process.kill();
}

int SinkProcess::runSink() {
    ParcelKit::Testing::TestHTTPServer server;
    server.setSink(true);
    std::printf("%s\n", server.url().toString().toUtf8().constData());
    std::fflush(stdout);
    std::string ignored;
    while (std::getline(std::cin, ignored)) {
    }
    return 0;
}
