#include "TestHTTPServer.h"

#include "TestHTTPConnection.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace ParcelKit::Testing {

TestHTTPServer::Reply TestHTTPServer::Reply::json(int status, const QJsonValue& value) {
    const QJsonDocument document =
        value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject());
    return text(status, document.toJson(QJsonDocument::Compact), "application/json");
}

TestHTTPServer::Reply TestHTTPServer::Reply::text(int status, QByteArray body,
                                                  QByteArray contentType) {
    Reply reply;
    reply.status = status;
    reply.body = std::move(body);
    reply.headers.append({"Content-Type", std::move(contentType)});
    return reply;
}

TestHTTPServer::TestHTTPServer() {
    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int yes = 1;
    ::setsockopt(m_listenFd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(m_listenFd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(m_listenFd, 64) != 0 ||
        ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("the test server cannot listen on 127.0.0.1");
    m_port = ntohs(address.sin_port);
    m_stopEvent = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    m_acceptor = std::thread([this] { acceptLoop(); });
}

TestHTTPServer::~TestHTTPServer() {
    const quint64 one = 1;
    [[maybe_unused]] auto written = ::write(m_stopEvent, &one, sizeof one);
    m_acceptor.join();
    {
        std::lock_guard lock(m_slotsMutex);
        for (auto& slot : m_slots) {
            std::lock_guard slotLock(slot->mutex);
            if (slot->fd >= 0)
                ::shutdown(slot->fd, SHUT_RDWR);
        }
    }
    for (auto& slot : m_slots)
        slot->thread.join();
    ::close(m_listenFd);
    ::close(m_stopEvent);
}

QUrl TestHTTPServer::url(const QString& pathAndQuery) const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(pathAndQuery));
}

void TestHTTPServer::acceptLoop() {
    for (;;) {
        pollfd fds[2] = {{m_listenFd, POLLIN, 0}, {m_stopEvent, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR)
            return;
        if (fds[1].revents != 0)
            return;
        if (!(fds[0].revents & POLLIN))
            continue;
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        reapFinished();
        ++m_accepted;
        auto slot = std::make_unique<Slot>();
        slot->fd = fd;
        Slot& ref = *slot;
        std::lock_guard lock(m_slotsMutex);
        m_slots.push_back(std::move(slot));
        ref.thread = std::thread([this, &ref] { serve(ref); });
    }
}

void TestHTTPServer::serve(Slot& slot) {
    TestHTTPConnection(*this, slot.fd).serve();
    {
        std::lock_guard lock(slot.mutex);
        ::close(slot.fd);
        slot.fd = -1;
    }
    slot.done = true;
}

void TestHTTPServer::reapFinished() {
    std::lock_guard lock(m_slotsMutex);
    m_slots.remove_if([](const std::unique_ptr<Slot>& slot) {
        if (!slot->done)
            return false;
        slot->thread.join();
        return true;
    });
}

void TestHTTPServer::setHandler(Handler handler) {
    std::lock_guard lock(m_handlerMutex);
    m_handler = std::move(handler);
}

void TestHTTPServer::enqueue(Reply reply) {
    std::lock_guard lock(m_mutex);
    m_script.push_back(std::move(reply));
}

void TestHTTPServer::dropNextRequestAfter(qint64 bodyBytes) {
    std::lock_guard lock(m_mutex);
    m_requestCut = bodyBytes;
}

void TestHTTPServer::setAnswerHold(AnswerHold hold) {
    std::lock_guard lock(m_mutex);
    m_answerHold = std::move(hold);
}

void TestHTTPServer::holdAnswer(const RecordedRequest& request) {
    AnswerHold hold;
    {
        std::lock_guard lock(m_mutex);
        hold = m_answerHold;
    }
    if (hold)
        hold(request);
}

void TestHTTPServer::setSink(bool sink) {
    m_sink = sink;
}

QList<RecordedRequest> TestHTTPServer::requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

int TestHTTPServer::requestCount() const {
    std::lock_guard lock(m_mutex);
    return int(m_requests.size());
}

TestHTTPServer::Reply TestHTTPServer::replyFor(const RecordedRequest& request) {
    {
        std::lock_guard lock(m_mutex);
        if (!m_script.empty()) {
            Reply reply = std::move(m_script.front());
            m_script.pop_front();
            return reply;
        }
    }
    std::lock_guard lock(m_handlerMutex);
    if (m_handler)
        return m_handler(request);
    return Reply::text(404, "no reply scripted\n");
}

std::optional<qint64> TestHTTPServer::takeRequestCut() {
    std::lock_guard lock(m_mutex);
    return std::exchange(m_requestCut, std::nullopt);
}

void TestHTTPServer::record(RecordedRequest request) {
    std::lock_guard lock(m_mutex);
    m_requests.append(std::move(request));
}

} // namespace ParcelKit::Testing
