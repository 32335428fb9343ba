// The program's end of a simulated line for the tests: a plain non-blocking
// reader and writer on the pty slave that records every read it makes.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QTest>
#include <QObject>
#include <QSocketNotifier>
#include <QString>

#include <cerrno>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

class SlaveEnd : public QObject
{
public:
    explicit SlaveEnd(const QString &path)
    {
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (m_fd < 0)
            return;
        m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, [this] { readAll(); });
    }
    ~SlaveEnd() override
    {
        delete m_notifier;
        if (m_fd >= 0)
            ::close(m_fd);
    }

    bool isOpen() const { return m_fd >= 0; }
    int fd() const { return m_fd; }
    void write(const QByteArray &bytes) { QCOMPARE_GE(::write(m_fd, bytes.constData(), bytes.size()), 0); }
    // Stops reading, so that bytes pile up on the line.
    void pause() { m_notifier->setEnabled(false); }
    void resume() { m_notifier->setEnabled(true); readAll(); }

    QByteArray bytes;
    QByteArray firstRead;
    int reads = 0;
    bool hungUp = false;

private:
    void readAll()
    {
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n > 0) {
                if (reads++ == 0)
                    firstRead = QByteArray(buffer, n);
                bytes.append(buffer, n);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
                hungUp = true;
                m_notifier->setEnabled(false);
            }
            return;
        }
    }

    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
};
