#include "Benches.h"

#include "MainWindow.h"
#include "ProcessUsage.h"
#include "Pty.h"
#include "ReceiverRig.h"
#include "Report.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

constexpr double TargetCpuSeconds = 0.02;

void pressEsc(QWidget &window)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &press);
    QCoreApplication::sendEvent(&window, &release);
}

} // namespace

int runIdleBench(int seconds)
{
    const QString name = u"idle"_s;
    ReceiverRig rig;
    // An instrument that is connected but sends nothing.
    Pty instrument;
    if (!rig.isReady() || !instrument.isOpen() || !instrument.linkAsCom(rig.programFolder(), 1))
        return cannotRun(name, u"no pseudo-terminal or program folder could be made"_s);
    QString error;
    if (!rig.openPort(ReceiverRig::defaultProgressMax(), &error))
        return cannotRun(name, error);

    QTimer::singleShot(seconds * 1000, Qt::PreciseTimer, &rig.window(), [&rig] { pressEsc(rig.window()); });
    const double cpuBefore = processCpuSeconds();
    const ReceiveEnd end = rig.receive();
    const double cpu = processCpuSeconds() - cpuBefore;
    rig.closePort();

    const bool endedByEsc = end == ReceiveEnd::Esc;
    // The target is per 10 s of waiting.
    const bool met = endedByEsc && cpu <= TargetCpuSeconds * rig.receiveMs() / 10000.0;
    printFigure(name, u"%1 CPU seconds used while the receiver waited %2 s with no data (ended by %3)%4; "
                      "target at most %5 s per 10 s: %6"_s
                          .arg(cpu, 0, 'f', 3).arg(rig.receiveMs() / 1000.0, 0, 'f', 2).arg(receiveEndName(end))
                          .arg(ReceiverRig::journaled() ? u", history copy on"_s : u", without the history copy"_s)
                          .arg(TargetCpuSeconds, 0, 'f', 2).arg(verdict(met)));
    return met ? TargetMet : TargetMissed;
}
