#include "EventWait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

void runEventsWaitingAtMost(int maxMs)
{
    if (maxMs <= 0) {
        QCoreApplication::processEvents();
        return;
    }
    // The timer bounds the sleep: it is itself an event that wakes the loop.
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(maxMs);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void sleepWithoutEvents(int ms)
{
    QThread::msleep(ulong(ms));
}
