#include "Benches.h"

#include "Flood.h"
#include "LineCutter.h"
#include "Report.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>

#include <algorithm>
#include <random>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr double TargetLinesPerSecond = 5'000'000;
// Eighteen characters and CR LF: the twenty bytes of a typical reading line.
constexpr int LineLength = 18;

// The flood as the serial control would hand it over: reads of random size,
// each its own array, cut before any clock runs.
QList<QByteArray> splitIntoReads(long long lines, unsigned seed, int maxRead)
{
    QByteArray stream;
    stream.reserve(qsizetype(lines) * (LineLength + 2));
    for (long long i = 1; i <= lines; ++i) {
        stream += floodLine(i, LineLength);
        stream += "\r\n";
    }
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> readSize(1, maxRead);
    QList<QByteArray> reads;
    reads.reserve(stream.size() / ((maxRead + 1) / 2) + 16);
    for (qsizetype pos = 0; pos < stream.size();) {
        const qsizetype n = std::min<qsizetype>(readSize(random), stream.size() - pos);
        reads.append(stream.mid(pos, n));
        pos += n;
    }
    return reads;
}

} // namespace

int runCutterBench(const CutterOptions &options)
{
    const QString name = u"cutter"_s;
    if (options.lines < 1 || options.maxRead < 1 || options.rounds < 1)
        return cannotRun(name, u"lines, read size and rounds must be at least 1"_s);
    const QList<QByteArray> reads = splitIntoReads(options.lines, options.seed, options.maxRead);

    std::vector<double> rates;
    bool allRight = true;
    QString fault;
    for (int round = 0; round < options.rounds; ++round) {
        QList<QByteArray> entries;
        entries.reserve(qsizetype(options.lines));
        LineCutter cutter("\r\n"_ba, 2);
        QElapsedTimer clock;
        clock.start();
        for (const QByteArray &read : reads)
            cutter.feed(read, entries);
        const qint64 ns = clock.nsecsElapsed();
        rates.push_back(double(options.lines) * 1e9 / double(std::max<qint64>(ns, 1)));

        const FloodCheck check = checkFlood(entries, options.lines, LineLength);
        if (!check.complete() || entries.size() != options.lines || !cutter.pending().isEmpty()) {
            allRight = false;
            fault = u"round %1: %2 entries, %3 missing, %4 doubled, %5 out of order, %6 damaged, %7 bytes left over"_s
                        .arg(round + 1).arg(entries.size()).arg(check.missing).arg(check.duplicated)
                        .arg(check.outOfOrder).arg(check.damaged).arg(cutter.pending().size());
        }
    }
    std::sort(rates.begin(), rates.end());
    const double median = rates[rates.size() / 2];
    const bool met = allRight && median >= TargetLinesPerSecond;
    printFigure(name, u"%1 lines/s (median of %2 rounds, best %3) for %4 lines of 20 bytes in %5 reads of 1 to %6 bytes (seed %7); "
                      "result check: %8; target at least %9 lines/s: %10"_s
                          .arg(grouped(median)).arg(options.rounds).arg(grouped(rates.back()))
                          .arg(grouped(double(options.lines))).arg(grouped(double(reads.size())))
                          .arg(options.maxRead).arg(options.seed)
                          .arg(allRight ? u"all lines came out right"_s : u"WRONG, "_s + fault)
                          .arg(grouped(TargetLinesPerSecond)).arg(verdict(met)));
    return met ? TargetMet : TargetMissed;
}
