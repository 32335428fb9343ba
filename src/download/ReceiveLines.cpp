#include "ReceiveLines.h"

#include "CommControl.h"
#include "DataList.h"
#include "DownloadHost.h"
#include "DownloadState.h"
#include "EventWait.h"
#include "LineCutter.h"
#include "LinePace.h"

#include <QElapsedTimer>
#include <QList>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

// Longest sleep while nothing arrives. Bytes, a lost device, ESC and a close
// request all come as events and wake the wait at once; the bound only
// guards against a host whose ESC test sees something no event announces.
// Waking every 20 ms cost 0.07 to 0.1 CPU seconds per 10 s of waiting.
constexpr int IdleWaitMs = 1000;
// The bar repaints (with what lies behind it) at every visible step; at full
// speed that cost more than the reception itself, and while lines trickle in
// four repaints a second cost a fifth of the receiver's time; so it moves
// (and its count changes) at most this often.
constexpr int ProgressIntervalMs = 500;

} // namespace

int progressAfterEntries(int value, int max, qsizetype entries, bool lastEnds)
{
    if (entries <= 0)
        return value;
    qsizetype steps = lastEnds ? entries - 1 : entries;
    qsizetype v = value;
    if (steps > 0) {
        if (v > max - 1) {
            // A value left above the bar's range goes back to 0 at the first step.
            v = 0;
            --steps;
        }
        // From v <= max - 1 the bar climbs to max - 1, then each further step
        // counts from 0 modulo max (or stays at 0 when max is not positive).
        const qsizetype climbed = v + steps;
        v = climbed <= max - 1 ? climbed : (max > 0 ? (climbed - max) % max : 0);
    }
    return int(lastEnds ? v + 1 : v);
}

QString linesText(qsizetype lines)
{
    return lines == 1 ? u"1 line"_s : u"%1 lines"_s.arg(lines);
}

QString receivedCountText(qsizetype lines)
{
    return linesText(lines) + u" received"_s;
}

ReceiveEnd ReceiveLines(DownloadHost &host, const QByteArray &firstBytes, bool afterStartMark)
{
    CommControl &comm = host.comm();
    const DownloadState &state = host.state();
    host.setProgressVisible(true);
    qsizetype received = 0;
    host.showReceivedCount(received);

    LineCutter cutter(state.RecordEnd, state.RecordEndLen);
    if (afterStartMark)
        cutter.skipRecordEndAtStart();
    bool firstData = true;
    int progress = host.progressValue();
    const int progressMax = host.progressMax();
    QList<QByteArray> entries;
    ReceiveEnd end = ReceiveEnd::Esc;
    QElapsedTimer sinceProgressShown;
    sinceProgressShown.start();
    // Taken in at the first pass, ahead of what the serial control holds.
    QByteArray carried = firstBytes;
    LinePace pace;
    bool gatherFirst = false;
    QElapsedTimer clock;
    clock.start();

    qsizetype shown = 0;
    const auto showCount = [&] {
        // The text first: moving the bar repaints it at once, with both.
        host.showReceivedCount(received);
        host.setProgressValue(progress);
        sinceProgressShown.restart();
        shown = received;
    };

    for (;;) {
        if (host.escPressed()) {
            end = ReceiveEnd::Esc;
            break;
        }
        if (std::exchange(gatherFirst, false))
            sleepWithoutEvents(LinePace::GatherMs);
        if (comm.bytesWaiting() > 0 || !carried.isEmpty()) {
            host.processEvents();
        } else if (shown != received) {
            // The line fell silent with lines the bar does not show yet: they
            // are shown as soon as the bar may move again, before the long
            // sleep, since a bar that stops moving tells the user to press ESC.
            const qint64 untilDue = ProgressIntervalMs - sinceProgressShown.elapsed();
            if (untilDue <= 0)
                showCount();
            host.waitForEvents(untilDue <= 0 ? IdleWaitMs : int(untilDue));
        } else {
            host.waitForEvents(IdleWaitMs);
        }
        // Bytes that arrived before the device went away still make entries.
        const bool lost = comm.deviceLost();
        if (!lost && carried.isEmpty() && comm.commEvent() != CommControl::EventReceive)
            continue;
        if (firstData && !lost) {
            host.setWarnText2(QString());
            host.setWarnText2(u"Data download from instrument is running"_s);
            host.setWarnText1Visible(true);
            firstData = false;
        }

        if (!carried.isEmpty())
            cutter.feed(std::exchange(carried, QByteArray()), entries, false);
        const QByteArray taken = comm.input();
        if (!taken.isEmpty()) {
            pace.took(taken.size(), clock.nsecsElapsed());
            gatherFirst = pace.gather();
        }
        cutter.feed(taken, entries);
        if (entries.isEmpty()) {
            if (lost) {
                end = ReceiveEnd::DeviceLost;
                break;
            }
            continue;
        }
        // The end-of-file event ends the reception after the records it closed.
        const bool endOfFile = comm.commEvent() == CommControl::EventEof;
        const bool ends = cutter.ended() || endOfFile;
        host.dataList().addEntries(entries);
        received += entries.size();
        progress = progressAfterEntries(progress, progressMax, entries.size(), ends);
        if (ends || sinceProgressShown.elapsed() >= ProgressIntervalMs)
            showCount();
        entries.clear();
        if (ends) {
            end = cutter.ended() ? ReceiveEnd::EndMark : ReceiveEnd::EndOfFile;
            break;
        }
        if (lost) {
            end = ReceiveEnd::DeviceLost;
            break;
        }
    }

    host.showReceivedCount(received);
    host.setProgressValue(progress);
    host.setWarnText1Visible(false);
    comm.clearInBuffer();
    comm.clearOutBuffer();
    return end;
}
