#include "ReceiverRig.h"

#include "CommControl.h"
#include "DataList.h"
#include "DownloadState.h"
#include "DownloadSteps.h"
#include "InstrumentLinks.h"
#include "InstrumentNames.h"
#include "MainWindow.h"
#include "WindowDownloadHost.h"
#include "PortOpen.h"
#include "Report.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

bool journalOn = true;

} // namespace

ReceiverRig::ReceiverRig(QObject *parent)
    : QObject(parent)
    , m_window(std::make_unique<MainWindow>(m_folder.path()))
{
    // Shown, so that the progress bar and the hints cost what they cost the user.
    m_window->show();
}

ReceiverRig::~ReceiverRig()
{
    closePort();
}

bool ReceiverRig::openPort(int progressMax, QString *error)
{
    // The line values of the ORVIK download, without its XON/XOFF handshake:
    // the figures are about how fast we take the bytes, not about being paced.
    const InstrumentLink &link = InstrumentLinks::Orvik;
    CommControl &comm = m_window->host().comm();
    const PortOpenResult opened = openPortStep(comm, u"1"_s);
    if (opened.outcome == PortOpenResult::Failed) {
        *error = opened.message;
        return false;
    }
    if (!comm.setSettings(QString::fromLatin1(link.settings))) {
        *error = comm.errorString();
        return false;
    }
    comm.setInputMode(0);
    DownloadState &state = m_window->host().state();
    state.RecordEnd = QByteArray(link.recordEnd);
    state.RecordEndLen = link.recordEndLen;
    state.Instrument = QString::fromLatin1(InstrumentNames::Orvik);
    m_window->host().dataList().clear();
    m_window->host().setProgressMax(progressMax);
    m_window->host().setProgressValue(0);
    m_window->host().beginDownload();
    return true;
}

ReceiveEnd ReceiverRig::receive()
{
    m_firstBytesNs = -1;
    m_clock.start();
    const QMetaObject::Connection watch = connect(&m_window->host().comm(), &CommControl::received, this, [this] {
        m_firstBytesNs = m_clock.nsecsElapsed();
        Q_EMIT firstBytes();
    }, Qt::SingleShotConnection);
    m_lastEntriesNs = 0;
    const QMetaObject::Connection grown = connect(&m_window->host().dataList(), &QAbstractItemModel::rowsInserted, this,
                                                  [this] { m_lastEntriesNs = m_clock.nsecsElapsed(); });
    // The download's own receive step: the receiver, the history copy of
    // every batch, and the copy's final file once the reception ended.
    ReceiveEnd end = ReceiveEnd::Esc;
    if (journalOn) {
        const DownloadOutcome outcome = receiveIntoList(m_window->host());
        m_journalCopy = outcome.historyCopy;
        m_journalProblem = outcome.historyProblem;
        end = outcome.ending == DownloadOutcome::Ending::EndMark          ? ReceiveEnd::EndMark
            : outcome.ending == DownloadOutcome::Ending::EndOfFile        ? ReceiveEnd::EndOfFile
            : outcome.ending == DownloadOutcome::Ending::ConnectionLost   ? ReceiveEnd::DeviceLost
                                                                          : ReceiveEnd::Esc;
    } else {
        end = ReceiveLines(m_window->host());
    }
    m_receiveNs = m_clock.nsecsElapsed();
    disconnect(watch);
    disconnect(grown);
    return end;
}

void ReceiverRig::closePort()
{
    if (m_window && m_window->host().comm().portOpen())
        m_window->host().comm().setPortOpen(false);
}

int ReceiverRig::defaultProgressMax()
{
    return InstrumentLinks::Orvik.progressMax;
}

void ReceiverRig::setJournaled(bool journaled)
{
    journalOn = journaled;
}

bool ReceiverRig::journaled()
{
    return journalOn;
}

QString ReceiverRig::journalNote() const
{
    if (!journalOn)
        return u" without the history copy"_s;
    if (!m_journalProblem.isEmpty())
        return u" with the history copy, which FAILED: %1"_s.arg(m_journalProblem);
    const QFileInfo copy(m_journalCopy);
    return u" with the history copy (%1 bytes in %2)"_s.arg(grouped(double(copy.size())), copy.fileName());
}
