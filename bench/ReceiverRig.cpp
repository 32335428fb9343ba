#include "ReceiverRig.h"

#include "CommControl.h"
#include "DataList.h"
#include "DownloadState.h"
#include "InstrumentLinks.h"
#include "MainWindow.h"
#include "PortOpen.h"

using namespace Qt::StringLiterals;

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
    CommControl &comm = m_window->comm();
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
    DownloadState &state = m_window->state();
    state.RecordEnd = QByteArray(link.recordEnd);
    state.RecordEndLen = link.recordEndLen;
    m_window->dataList().clear();
    m_window->setProgressMax(progressMax);
    m_window->setProgressValue(0);
    m_window->beginDownload();
    return true;
}

ReceiveEnd ReceiverRig::receive()
{
    m_firstBytesNs = -1;
    m_clock.start();
    const QMetaObject::Connection watch = connect(&m_window->comm(), &CommControl::received, this, [this] {
        m_firstBytesNs = m_clock.nsecsElapsed();
        Q_EMIT firstBytes();
    }, Qt::SingleShotConnection);
    const ReceiveEnd end = ReceiveLines(*m_window);
    m_receiveNs = m_clock.nsecsElapsed();
    disconnect(watch);
    return end;
}

void ReceiverRig::closePort()
{
    if (m_window && m_window->comm().portOpen())
        m_window->comm().setPortOpen(false);
}

int ReceiverRig::defaultProgressMax()
{
    return InstrumentLinks::Orvik.progressMax;
}
