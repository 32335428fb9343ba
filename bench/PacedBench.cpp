#include "Benches.h"

#include "ChildProgram.h"
#include "DataList.h"
#include "MainWindow.h"
#include "WindowDownloadHost.h"
#include "ProcessUsage.h"
#include "ReceiverRig.h"
#include "Report.h"

using namespace Qt::StringLiterals;

namespace {

constexpr double TargetCpuPercent = 1.0;
constexpr int LineLength = 18;

} // namespace

int runPacedBench(int lines, int baud, int progressMax)
{
    const QString name = u"paced"_s;
    ReceiverRig rig;
    if (!rig.isReady())
        return cannotRun(name, u"no program folder could be made"_s);
    ChildProgram instrument;
    if (!instrument.startSimulator({u"--family"_s, u"orvik"_s, u"--any-line"_s, u"--folder"_s, rig.programFolder(),
                                    u"--com"_s, u"1"_s, u"--lines"_s, QString::number(lines), u"--line-length"_s,
                                    QString::number(LineLength), u"--baud"_s, QString::number(baud)}))
        return cannotRun(name, instrument.error());
    QString error;
    if (!rig.openPort(progressMax, &error))
        return cannotRun(name, error);

    instrument.pressKey();
    const double cpuBefore = processCpuSeconds();
    const ReceiveEnd end = rig.receive();
    const double cpu = processCpuSeconds() - cpuBefore;
    rig.closePort();
    const QByteArray simEnded = instrument.finish(15000);

    const double wall = rig.receiveMs() / 1000.0;
    const double percent = wall > 0 ? 100.0 * cpu / wall : 0.0;
    const FloodCheck check = checkFlood(rig.window().host().dataList().entries(), lines, LineLength);
    const bool intact = check.complete() && check.lines == lines;
    const bool met = intact && end == ReceiveEnd::EndMark && percent <= TargetCpuPercent;
    printFigure(name, u"%1 % CPU (%2 CPU s over %3 s wall, first bytes after %4 s) receiving %5 lines of 20 bytes "
                      "at %6 baud (progress bar maximum %7), ended by %8; lines: %9;%12; target at most %10 %: %11"_s
                          .arg(percent, 0, 'f', 2).arg(cpu, 0, 'f', 3).arg(wall, 0, 'f', 2)
                          .arg(rig.firstBytesAfterMs() / 1000.0, 0, 'f', 2).arg(grouped(lines)).arg(baud).arg(progressMax)
                          .arg(receiveEndName(end), describeCheck(check, lines))
                          .arg(TargetCpuPercent, 0, 'f', 0).arg(verdict(met)).arg(rig.journalNote()));
    if (simEnded != "exit 0")
        printNote(name, simulatorNote(simEnded, instrument.err));
    return met ? TargetMet : TargetMissed;
}
