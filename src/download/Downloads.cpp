#include "Downloads.h"

#include "CommControl.h"
#include "DownloadBlocks.h"
#include "DownloadHost.h"
#include "DownloadState.h"
#include "DuramoSt.h"
#include "Fennix.h"
#include "InstrumentLinks.h"
#include "InstrumentNames.h"
#include "ListeningDownload.h"

namespace {

DownloadHost &named(DownloadHost &host, const char *instrument)
{
    host.state().Instrument = QString::fromLatin1(instrument);
    return host;
}

} // namespace

void mnuOV_Click(DownloadHost &host)
{
    host.state().OrvikMode = 255;
    DownloadBlocks(named(host, InstrumentNames::Orvik));
    host.comm().setHandshaking(0);
}

void mnuVarden_Click(DownloadHost &host)
{
    host.state().OrvikMode = 0;
    DownloadBlocks(named(host, InstrumentNames::Varden));
}

void mnuQF2000_Click(DownloadHost &host)
{
    host.state().OrvikMode = 0;
    DownloadBlocks(named(host, InstrumentNames::Qf2000));
}

void mnuFennix_Click(DownloadHost &host) { FennixDownload(named(host, InstrumentNames::Fennix)); }
void mnuFennix_Radio_Click(DownloadHost &host)
{
    listeningDownload(named(host, InstrumentNames::FennixRadio), InstrumentLinks::FennixRadio);
}
void mnuDuramoFN_Click(DownloadHost &host)
{
    listeningDownload(named(host, InstrumentNames::DuramoFn), InstrumentLinks::DuramoFn);
}
// QF-100 and KESTRA II run their sibling's download under their own name.
void mnuQF100_Click(DownloadHost &host)
{
    listeningDownload(named(host, InstrumentNames::Qf100), InstrumentLinks::DuramoFn);
}
void mnuDuramoST_Click(DownloadHost &host) { DuramoStDownload(named(host, InstrumentNames::DuramoSt)); }
void mnuKestra2_Click(DownloadHost &host) { DuramoStDownload(named(host, InstrumentNames::Kestra)); }
void mnuQFU_Click(DownloadHost &host) { listeningDownload(named(host, InstrumentNames::Qfu), InstrumentLinks::Qfu); }
