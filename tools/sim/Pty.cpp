#include "Pty.h"

#include "LineSpeed.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

Pty::Pty()
{
    int master = -1;
    int slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
        return;
    termios t {};
    if (::tcgetattr(slave, &t) == 0) {
        ::cfmakeraw(&t);
        ::cfsetspeed(&t, B50);
        ::tcsetattr(slave, TCSANOW, &t);
    }
    char name[256] = {};
    if (::ttyname_r(slave, name, sizeof name) != 0) {
        ::close(master);
        ::close(slave);
        return;
    }
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave, F_SETFD, FD_CLOEXEC);
    m_master = master;
    // Holding the slave open keeps the line settings and buffered bytes while
    // the program has not opened the port yet; it also means the master does
    // not read EIO between two downloads.
    m_slaveKeep = slave;
    m_slavePath = QString::fromLocal8Bit(name);
}

Pty::~Pty()
{
    closeMaster();
    if (m_slaveKeep >= 0)
        ::close(m_slaveKeep);
}

void Pty::closeMaster()
{
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
}

bool Pty::linkAsCom(const QString &programFolder, int n) const
{
    if (!isOpen())
        return false;
    QDir folder(programFolder);
    if (!folder.mkpath(QStringLiteral("ports")))
        return false;
    const QString link = folder.filePath(QStringLiteral("ports/com%1").arg(n));
    QFile::remove(link);
    return QFile::link(m_slavePath, link);
}

qint64 Pty::unreadBytes() const
{
    int count = 0;
    if (m_slaveKeep < 0 || ::ioctl(m_slaveKeep, TIOCINQ, &count) != 0)
        return 0;
    return count;
}

PtyLineSettings Pty::slaveSettings() const
{
    // The master reads the settings the program put on its side of the pair;
    // after the master is gone, the slave kept open still has them.
    const int fd = m_master >= 0 ? m_master : m_slaveKeep;
    PtyLineSettings settings;
    termios t {};
    if (fd < 0 || ::tcgetattr(fd, &t) != 0)
        return settings;
    settings.baud = lineBaud(fd);
    switch (t.c_cflag & CSIZE) {
    case CS5: settings.dataBits = 5; break;
    case CS6: settings.dataBits = 6; break;
    case CS7: settings.dataBits = 7; break;
    default: settings.dataBits = 8; break;
    }
    if (t.c_cflag & PARENB)
        settings.parity = (t.c_cflag & PARODD) ? 'o' : 'e';
    settings.stopBits = (t.c_cflag & CSTOPB) ? 2 : 1;
    settings.xonXoff = (t.c_iflag & IXON) != 0;
    return settings;
}
