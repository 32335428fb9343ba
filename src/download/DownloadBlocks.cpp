#include "DownloadBlocks.h"

#include "BlockFiles.h"
#include "Blocks.h"
#include "CommControl.h"
#include "DataList.h"
#include "DownloadHost.h"
#include "DownloadState.h"
#include "DownloadSteps.h"
#include "InstrumentLinks.h"

#include <optional>

using namespace Qt::StringLiterals;

namespace {

// The Varden and the QF-2000 send "$s$" before their data. The mark may come
// split over several reads; it must be seen within 1100 reads 10 ms apart.
// There is no ESC test here. Returns the bytes behind the mark in the read
// that completed it (the beginning of the data); nothing when no mark came.
std::optional<QByteArray> waitForStartMark(DownloadHost &host)
{
    static constexpr QByteArrayView startMark("$s$");
    CommControl &comm = host.comm();
    // The newest read behind the last characters of the earlier ones: enough
    // to find a split mark without keeping everything read.
    QByteArray seen;
    for (int passes = 0;;) {
        if (const qsizetype at = seen.indexOf(startMark); at >= 0)
            return seen.sliced(at + startMark.size());
        if (comm.deviceLost())
            return std::nullopt;
        seen = seen.right(startMark.size() - 1) + comm.input();
        double pause = 10;
        host.delay(pause);
        if (++passes > 1100)
            return std::nullopt;
        host.processEvents();
    }
}

void storeBlocks(DownloadState &state, const QList<QByteArray> &blocks)
{
    state.ValueList = QList<QByteArray>{QByteArray()} + blocks;
    state.LastValueIndex = blocks.size();
    state.ValueCount = blocks.size() + 1;
}

} // namespace

DownloadOutcome DownloadBlocks(DownloadHost &host)
{
    DownloadState &state = host.state();
    const bool orvik = state.OrvikMode != 0;
    const InstrumentLink &link = orvik ? InstrumentLinks::Orvik : InstrumentLinks::Varden;
    DownloadOutcome notStarted;
    if (!openingSteps(host, link, notStarted.portProblem))
        return notStarted;
    storeBlocks(state, {});

    host.setWarnText2(QString());
    host.setWarnText2(QString::fromLatin1(link.instruction));
    host.setWarnText2Visible(true);
    host.setWarnText1Visible(false);
    host.setDataListVisible(false);

    // ORVIK sends no mark; the others' data may begin in the read of the mark.
    const std::optional<QByteArray> dataBehindMark = orvik ? QByteArray() : waitForStartMark(host);
    if (!dataBehindMark) {
        DownloadOutcome outcome;
        outcome.ending = DownloadOutcome::Ending::NoStartMark;
        closingSteps(host, link, outcome, false);
        state.ReceiveBuffer.clear();
        if (outcome.ending == DownloadOutcome::Ending::NoStartMark)
            host.showMessage(u"No data"_s,
                             u"The instrument did not start sending within 11 seconds.\nStart the download "
                             "here first, then at the instrument press MENU - Print+PC - Transfer to PC."_s);
        return outcome;
    }

    host.MenueGesperrt();
    host.setProgressMax(link.progressMax);
    host.setDataListVisible(false);
    host.processEvents();
    host.setProgressValue(0);
    DownloadOutcome outcome = receiveIntoList(host, *dataBehindMark, !orvik);
    storeBlocks(state, cutBlocks(host.dataList().entries()));

    host.comm().clearOutBuffer();
    closingSteps(host, link, outcome);
    state.ReceiveBuffer.clear();
    outcome.blockCount = state.LastValueIndex;
    if (state.LastValueIndex > 0)
        SaveBlockFiles(host, outcome);
    return outcome;
}
