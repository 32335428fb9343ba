#include "DownloadSteps.h"

#include "CommControl.h"
#include "DataList.h"
#include "DownloadHost.h"
#include "DownloadJournal.h"
#include "DownloadState.h"
#include "InstrumentLinks.h"
#include "PortOpen.h"
#include "ReceivedText.h"
#include "ShortText.h"

#include <QDir>

using namespace Qt::StringLiterals;

namespace {

// The journal follows the list: every batch the receiver adds is written as
// it arrives, whichever way the receiver adds it.
ReceiveEnd receiveFollowed(DownloadHost &host, DownloadJournal &journal, const QByteArray &firstBytes,
                           bool afterStartMark)
{
    DataList &list = host.dataList();
    journal.begin(host.state().Instrument, [&host](const QString &reason) { host.historyCopyStopped(reason); });
    const QMetaObject::Connection follow = QObject::connect(
        &list, &QAbstractItemModel::rowsInserted, &list,
        [&journal, &list](const QModelIndex &, int first, int) { journal.append(list.entries(), first); });
    ReceiveEnd end;
    try {
        end = ReceiveLines(host, firstBytes, afterStartMark);
    } catch (...) {
        // The window was closed mid-download: the program ends during it.
        QObject::disconnect(follow);
        journal.abandon();
        throw;
    }
    QObject::disconnect(follow);
    return end;
}

// The copy's last writes take as long as the disk does (a busy USB stick may
// hold them for seconds): the window's events run meanwhile, and the event
// that tells the copy is done ends the wait at once.
DownloadJournal::Kept keptCopy(DownloadHost &host, DownloadJournal &journal, ReceiveEnd end)
{
    journal.finish(end, host.state().ReceiveBuffer);
    std::optional<DownloadJournal::Kept> kept;
    try {
        while (!(kept = journal.kept()))
            host.waitForEvents(1000);
    } catch (...) {
        journal.abandon();
        throw;
    }
    return *kept;
}

void tellIfDeviceLost(DownloadHost &host)
{
    if (!host.comm().deviceLost())
        return;
    host.showMessage(u"Connection lost"_s,
                     u"The connection to the instrument on COM%1 was lost. The lines received "
                     "so far are kept.\nCheck the cable and the adapter, then start the download again."_s
                         .arg(shortForMessage(host.comPortNumber())));
}

// Said at the end of the download, after the status line said it at once.
void tellIfJournalFailed(DownloadHost &host, const DownloadOutcome &outcome)
{
    if (outcome.historyProblem.isEmpty())
        return;
    const QString text = outcome.historyCopy.isEmpty()
        ? u"The history copy of this download could not be written:\n%1\n\nThe lines are in the list; save "
          "them with \"Save data file as\"."_s.arg(outcome.historyProblem)
        : u"The history copy of this download is incomplete:\n%1\n\nWhat it holds is kept as %2. All lines are "
          "in the list; save them with \"Save data file as\"."_s.arg(outcome.historyProblem,
                                                                   QDir::toNativeSeparators(outcome.historyCopy));
    host.showMessage(u"Download history"_s, text);
}

} // namespace

bool openingSteps(DownloadHost &host, const InstrumentLink &link, PortProblem &problem)
{
    host.beginDownload();
    const PortOpenResult opened = openPortStep(host.comm(), host.comPortNumber());
    if (opened.outcome == PortOpenResult::Failed) {
        problem = opened.problem;
        host.showMessage(opened.title, opened.message);
        return false;
    }
    const bool clipboardWasVisible = host.clipboardButtonVisible();
    host.setClipboardButtonVisible(false);
    if (opened.outcome == PortOpenResult::AlreadyOpen)
        host.printOnSurface(u" Gewählte Schnittstelle ist bereits belegt ! ! ! "_s);

    CommControl &comm = host.comm();
    DownloadState &state = host.state();
    state.RecordEnd = QByteArray(link.recordEnd);
    state.RecordEndLen = link.recordEndLen;
    if (link.emptiesOutputFirst)
        comm.clearOutBuffer();
    host.MenueGesperrt();
    const QString settings = QString::fromLatin1(link.settings);
    // Every download sets its own handshake: the ORVIK's switch back to none
    // does not reach a control whose device was lost. A setting the device
    // merely cannot follow (a pty has no RTS) is no failure; anything else is,
    // since the instrument would be read at the wrong speed or framing.
    bool lineSet = comm.setSettings(settings) && comm.setHandshaking(link.xonXoff ? 1 : 0);
    // Opening a port raises RTS and DTR on Linux; an instrument that is to
    // have them low gets them lowered right away, whatever ran before.
    if (lineSet) {
        const bool raised = link.modemLines == ModemLines::Raised;
        lineSet = comm.setRTSEnable(raised) && comm.setDTREnable(raised);
    }
    if (!lineSet) {
        const QString reason = comm.errorString();
        problem.kind = PortProblem::Kind::SettingsRefused;
        problem.port = comm.commPort();
        problem.device = comm.devicePath();
        problem.reason = reason;
        problem.settings = settings;
        host.MenueFrei();
        comm.setPortOpen(false);
        host.setClipboardButtonVisible(clipboardWasVisible);
        host.showMessage(u"Line settings refused"_s,
                         u"COM%1 did not take the line settings \"%2\": %3\n"
                         "Nothing was read. Check that the port is a serial port, then start the "
                         "download again."_s
                             .arg(shortForMessage(host.comPortNumber()), settings, reason));
        return false;
    }
    comm.setInputMode(0);
    return true;
}

void prepareReceiving(DownloadHost &host, const InstrumentLink &link, const char *message)
{
    host.MenueGesperrt();
    if (link.progressMax > 0)
        host.setProgressMax(link.progressMax);
    host.setDataListVisible(false);
    host.setWarnText2(QString());
    host.setWarnText2(QString::fromLatin1(message));
    host.setWarnText2Visible(true);
    host.setWarnText1Visible(true);
    if (link.showsQfuHint)
        host.setQfuText1Visible(true);
    host.processEvents();
    host.setProgressValue(0);
}

DownloadOutcome::Ending endingOf(ReceiveEnd end)
{
    switch (end) {
    case ReceiveEnd::EndMark:
        return DownloadOutcome::Ending::EndMark;
    case ReceiveEnd::EndOfFile:
        return DownloadOutcome::Ending::EndOfFile;
    case ReceiveEnd::DeviceLost:
        return DownloadOutcome::Ending::ConnectionLost;
    case ReceiveEnd::Esc:
        break;
    }
    return DownloadOutcome::Ending::Stopped;
}

DownloadOutcome receiveIntoList(DownloadHost &host, const QByteArray &firstBytes, bool afterStartMark)
{
    host.dataList().clear();
    DownloadJournal *journal = host.journal();
    const ReceiveEnd end = journal ? receiveFollowed(host, *journal, firstBytes, afterStartMark)
                                   : ReceiveLines(host, firstBytes, afterStartMark);
    host.state().ReceiveBuffer = assembleReceivedText(host.dataList().entries());
    DownloadOutcome outcome;
    outcome.ending = endingOf(end);
    outcome.lines = host.dataList().count();
    if (journal) {
        const DownloadJournal::Kept kept = keptCopy(host, *journal, end);
        outcome.historyCopy = kept.path;
        outcome.historyProblem = kept.problem;
    }
    return outcome;
}

void closingSteps(DownloadHost &host, const InstrumentLink &link, DownloadOutcome &outcome, bool showList)
{
    host.setProgressVisible(false);
    host.setWarnText2Visible(false);
    host.setWarnText1Visible(false);
    if (showList) {
        host.setDataListVisible(true);
        host.setClipboardButtonVisible(true);
    }
    host.MenueFrei();

    CommControl &comm = host.comm();
    comm.clearInBuffer();
    if (link.sendsClosingCommand) {
        comm.output(host.state().SendCmdA1);
        comm.clearOutBuffer();
    }
    comm.setRTSEnable(false);
    comm.setDTREnable(false);
    comm.setPortOpen(false);
    if (link.showsQfuHint)
        host.setQfuText1Visible(false);
    if (host.comm().deviceLost())
        outcome.ending = DownloadOutcome::Ending::ConnectionLost;
    tellIfDeviceLost(host);
    tellIfJournalFailed(host, outcome);
}
