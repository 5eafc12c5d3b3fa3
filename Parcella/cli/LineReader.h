#pragma once

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>

#include <memory>

namespace Parcella {

// Reads standard input line by line from the event loop, without blocking it.
class LineReader : public QObject {
    Q_OBJECT

public:
    explicit LineReader(int fd = 0);

signals:
    void line(const QString& text);
    void ended();

private:
    void readAvailable();

    int m_fd;
    QByteArray m_buffer;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace Parcella
