#pragma once

#include <QProcess>
#include <QUrl>

// The upload target: this benchmark started again as a sink (see runSink), in a process of its
// own so that neither contender's CPU time includes the receiving side.
class SinkProcess {
public:
    SinkProcess();
    ~SinkProcess();

    QUrl url() const { return m_url; }

    // The child's side: serves until its standard input closes.
    static int runSink();

private:
    QProcess m_process;
    QUrl m_url;
};
