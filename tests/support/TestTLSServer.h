#pragma once

#include <QThread>
#include <QUrl>

namespace ParcelKit::Testing {

// A TLS listener on 127.0.0.1 whose certificate is self-signed for the occasion, so no system
// store trusts it: clients that verify certificates fail their handshake with it. Runs on a
// thread of its own.
class TestTLSServer {
public:
    TestTLSServer();
    ~TestTLSServer();
    TestTLSServer(const TestTLSServer&) = delete;
    TestTLSServer& operator=(const TestTLSServer&) = delete;

    // "https://127.0.0.1:<port>" followed by `path`.
    QUrl url(const QString& path = QStringLiteral("/")) const;

private:
    QThread m_thread;
    QObject* m_server = nullptr;
    quint16 m_port = 0;
};

} // namespace ParcelKit::Testing
