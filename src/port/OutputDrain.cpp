#include "OutputDrain.h"

#include <QThread>
#include <algorithm>

#ifdef Q_OS_UNIX
#include <sys/ioctl.h>
#include <termios.h>
#endif

bool waitForOutputQueueEmpty(int fd, QDeadlineTimer deadline)
{
#if defined(Q_OS_UNIX) && defined(TIOCOUTQ)
    for (;;) {
        int queued = 0;
        // A device that cannot tell has nothing we could wait for.
        if (::ioctl(fd, TIOCOUTQ, &queued) != 0 || queued <= 0)
            return true;
        if (deadline.hasExpired())
            return false;
        // At 1200 baud one byte takes about 8 ms.
        QThread::msleep(static_cast<unsigned long>(std::clamp<qint64>(deadline.remainingTime(), 1, 5)));
    }
#else
    Q_UNUSED(fd);
    Q_UNUSED(deadline);
    return true;
#endif
}
