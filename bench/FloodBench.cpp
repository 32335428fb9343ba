#include "Benches.h"

#include "ChildProgram.h"
#include "DataList.h"
#include "LoopGapProbe.h"
#include "MainWindow.h"
#include "WindowDownloadHost.h"
#include "ProcessUsage.h"
#include "ReceiverRig.h"
#include "Report.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

constexpr double TargetLinesPerSecond = 1'000'000;
constexpr double TargetPeakBytes = 200e6;
constexpr double TargetGapMs = 50;
constexpr int LineLength = 18;
constexpr int DrainTimeoutMs = 120000;

QStringList floodArguments(long long lines)
{
    return {u"--family"_s, u"orvik"_s, u"--any-line"_s, u"--lines"_s, QString::number(lines),
            u"--line-length"_s, QString::number(LineLength)};
}

struct Drain
{
    bool complete = false;
    double seconds = 0;  // from the first byte to the last
    QString problem;
};

// The floor: `cat` reading the same flood from the same kind of device, its
// output counted here until every byte has come through.
Drain drainWithCat(long long lines)
{
    Drain drain;
    ChildProgram instrument;
    if (!instrument.startSimulator(floodArguments(lines) << u"--print-path"_s)) {
        drain.problem = instrument.error();
        return drain;
    }
    const qint64 total = FloodSource(lines, LineLength, "\r\n"_ba, true).totalBytes();
    QProcess cat;
    cat.start(u"cat"_s, {instrument.firstLine()});
    if (!cat.waitForStarted()) {
        drain.problem = u"cannot start cat: "_s + cat.errorString();
        return drain;
    }

    qint64 counted = 0;
    QElapsedTimer clock;
    QEventLoop loop;
    QObject::connect(&cat, &QProcess::readyReadStandardOutput, &loop, [&] {
        if (counted == 0)
            clock.start();
        counted += cat.readAllStandardOutput().size();
        if (counted >= total) {
            drain.seconds = double(clock.nsecsElapsed()) / 1e9;
            drain.complete = true;
            loop.quit();
        }
    });
    QObject::connect(&cat, &QProcess::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(DrainTimeoutMs, &loop, &QEventLoop::quit);
    instrument.pressKey();
    loop.exec();
    cat.kill();
    cat.waitForFinished(2000);
    instrument.finish(5000);
    if (!drain.complete)
        drain.problem = u"cat passed %1 of %2 bytes"_s.arg(counted).arg(total);
    return drain;
}

} // namespace

int runFloodBench(long long lines, int progressMax)
{
    const QString name = u"flood"_s;
    ReceiverRig rig;
    if (!rig.isReady())
        return cannotRun(name, u"no program folder could be made"_s);
    ChildProgram instrument;
    if (!instrument.startSimulator(floodArguments(lines) << u"--folder"_s << rig.programFolder() << u"--com"_s << u"1"_s))
        return cannotRun(name, instrument.error());
    QString error;
    if (!rig.openPort(progressMax, &error))
        return cannotRun(name, error);

    LoopGapProbe probe;
    QObject::connect(&rig, &ReceiverRig::firstBytes, &probe, &LoopGapProbe::start);
    // The longest gap up to the last entries: the reception itself, before
    // the list's text and the history's final file are written.
    double receptionGapMs = 0;
    QObject::connect(&rig.window().host().dataList(), &QAbstractItemModel::rowsInserted, &probe,
                     [&] { receptionGapMs = probe.longestGapMs(); });
    instrument.pressKey();
    const double cpuBefore = processCpuSeconds();
    const ReceiveEnd end = rig.receive();
    const double cpu = processCpuSeconds() - cpuBefore;
    probe.stop();
    rig.closePort();
    const long long peak = peakResidentBytes();
    const QByteArray simEnded = instrument.finish(15000);
    if (simEnded != "exit 0")
        printNote(name, simulatorNote(simEnded, instrument.err));

    // From the first bytes to the last line in the list (and in the history's
    // running copy); the history's final file is timed on its own.
    const double seconds = (rig.lastEntriesMs() - rig.firstBytesAfterMs()) / 1000.0;
    const double finalCopySeconds = (rig.receiveMs() - rig.lastEntriesMs()) / 1000.0;
    const double rate = rig.firstBytesAfterMs() >= 0 && seconds > 0 ? double(lines) / seconds : 0.0;
    const FloodCheck check = checkFlood(rig.window().host().dataList().entries(), lines, LineLength);
    const bool intact = check.complete() && check.lines == lines;

    const Drain floor = drainWithCat(lines);
    const QString floorText = floor.complete
        ? u"%1 lines/s (%2 s)"_s.arg(grouped(double(lines) / floor.seconds)).arg(floor.seconds, 0, 'f', 2)
        : u"not measured (%1)"_s.arg(floor.problem);

    const bool met = intact && end == ReceiveEnd::EndMark && rate >= TargetLinesPerSecond
        && double(peak) <= TargetPeakBytes && receptionGapMs <= TargetGapMs;
    printFigure(name, u"%1 lines/s (%2 lines of 20 bytes in %3 s, %4 CPU s, progress bar maximum %5, ended by %6); lines: %7; "
                      "peak RSS %8 MB; longest event-loop gap %9 ms while receiving;%15, then %16 s for the list's text and the final file (longest gap with it %17 ms); cat on the same kind of device: %10; "
                      "targets at least %11 lines/s, no line lost, at most %12 MB, no gap over %13 ms: %14"_s
                          .arg(grouped(rate), grouped(double(lines))).arg(seconds, 0, 'f', 2).arg(cpu, 0, 'f', 2).arg(progressMax)
                          .arg(receiveEndName(end), describeCheck(check, lines))
                          .arg(double(peak) / 1e6, 0, 'f', 1).arg(receptionGapMs, 0, 'f', 1).arg(floorText)
                          .arg(grouped(TargetLinesPerSecond)).arg(TargetPeakBytes / 1e6, 0, 'f', 0)
                          .arg(TargetGapMs, 0, 'f', 0).arg(verdict(met)).arg(rig.journalNote()).arg(finalCopySeconds, 0, 'f', 2).arg(probe.longestGapMs(), 0, 'f', 1));
    return met ? TargetMet : TargetMissed;
}
