// The program's end of a simulated line for the tests: a plain non-blocking
// reader and writer on the pty slave that keeps every byte it reads.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <QTest>

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
    // Sets the line as a program would: 1200, 9600 or 38400 baud, XON/XOFF or none.
    bool setLine(int baud, bool xonXoff)
    {
        termios t {};
        if (::tcgetattr(m_fd, &t) != 0)
            return false;
        const speed_t speed = baud == 1200 ? B1200 : baud == 9600 ? B9600 : B38400;
        ::cfsetspeed(&t, speed);
        if (xonXoff)
            t.c_iflag |= IXON | IXOFF;
        else
            t.c_iflag &= ~tcflag_t(IXON | IXOFF);
        return ::tcsetattr(m_fd, TCSANOW, &t) == 0;
    }
    void write(const QByteArray &bytes) { QCOMPARE_GE(::write(m_fd, bytes.constData(), bytes.size()), 0); }

    QByteArray bytes;

private:
    void readAll()
    {
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n > 0) {
                bytes.append(buffer, n);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            // A hung-up line stays readable: stop listening to it.
            if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
                m_notifier->setEnabled(false);
            return;
        }
    }

    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
};
