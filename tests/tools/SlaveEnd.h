// The program's end of a simulated line for the tests: the pty slave opened
// as a program opens it, written plainly, and read by a ByteReader that
// keeps every byte.
#pragma once

#include "ByteReader.h"

#include <QString>
#include <QTest>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

class SlaveEnd : public ByteReader
{
public:
    explicit SlaveEnd(const QString &path) { open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC); }

    bool isOpen() const { return fd() >= 0; }
    // Sets the line as a program would: 1200, 9600 or 38400 baud, XON/XOFF or none.
    bool setLine(int baud, bool xonXoff)
    {
        termios t {};
        if (::tcgetattr(fd(), &t) != 0)
            return false;
        const speed_t speed = baud == 1200 ? B1200 : baud == 9600 ? B9600 : B38400;
        ::cfsetspeed(&t, speed);
        if (xonXoff)
            t.c_iflag |= IXON | IXOFF;
        else
            t.c_iflag &= ~tcflag_t(IXON | IXOFF);
        return ::tcsetattr(fd(), TCSANOW, &t) == 0;
    }
    void write(const QByteArray &bytes) { QCOMPARE_GE(::write(fd(), bytes.constData(), bytes.size()), 0); }
};
