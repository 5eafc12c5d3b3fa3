#include "TestTLSServer.h"

#include <QFile>
#include <QProcess>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslServer>
#include <QTemporaryDir>

#include <stdexcept>

namespace ParcelKit::Testing {

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A fresh key and certificate from the openssl tool, so that no private key lives in the tree.
QSslConfiguration selfSignedConfiguration() {
    QTemporaryDir directory;
    const QString key = directory.filePath("key.pem");
    const QString certificate = directory.filePath("certificate.pem");
    QProcess openssl;
    openssl.start("openssl",
                  {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                   "-nodes", "-days", "2", "-subj", "/CN=127.0.0.1", "-addext",
                   "subjectAltName=IP:127.0.0.1", "-keyout", key, "-out", certificate});
    if (!openssl.waitForFinished(30'000) || openssl.exitCode() != 0)
        throw std::runtime_error("openssl could not make a test certificate");
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setLocalCertificate(QSslCertificate(readAll(certificate)));
    configuration.setPrivateKey(QSslKey(readAll(key), QSsl::Ec));
    configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
    return configuration;
}

} // namespace

TestTLSServer::TestTLSServer() {
    const QSslConfiguration configuration = selfSignedConfiguration();
    m_thread.start();
    auto* server = new QSslServer;
    server->setSslConfiguration(configuration);
    if (!server->listen(QHostAddress::LocalHost))
        throw std::runtime_error("the TLS test server cannot listen on 127.0.0.1");
    m_port = server->serverPort();
    QObject::connect(server, &QSslServer::pendingConnectionAvailable, server,
                     [server] { delete server->nextPendingConnection(); });
    server->moveToThread(&m_thread);
    m_server = server;
}

TestTLSServer::~TestTLSServer() {
    QMetaObject::invokeMethod(
        m_server, [this] { delete m_server; }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

QUrl TestTLSServer::url(const QString& path) const {
    return QUrl(QStringLiteral("https://127.0.0.1:%1%2").arg(m_port).arg(path));
}

} // namespace ParcelKit::Testing
