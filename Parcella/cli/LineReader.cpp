#include "LineReader.h"

#include <unistd.h>

namespace Parcella {

LineReader::LineReader(int fd)
    : m_fd(fd), m_notifier(std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read)) {
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &LineReader::readAvailable);
}

void LineReader::readAvailable() {
    char chunk[4096];
    const ssize_t count = ::read(m_fd, chunk, sizeof chunk);
    if (count <= 0) {
        m_notifier->setEnabled(false);
        if (!m_buffer.isEmpty())
            emit line(QString::fromUtf8(std::exchange(m_buffer, {})).trimmed());
        emit ended();
        return;
    }
    m_buffer.append(chunk, count);
    qsizetype end;
    while ((end = m_buffer.indexOf('\n')) >= 0) {
        const QByteArray text = m_buffer.left(end);
        m_buffer.remove(0, end + 1);
        emit line(QString::fromUtf8(text).trimmed());
    }
}

} // namespace Parcella
