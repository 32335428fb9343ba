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

DownloadOutcome mnuOV_Click(DownloadHost &host)
{
    host.state().OrvikMode = 255;
    const DownloadOutcome outcome = DownloadBlocks(named(host, InstrumentNames::Orvik));
    host.comm().setHandshaking(0);
    return outcome;
}

DownloadOutcome mnuVarden_Click(DownloadHost &host)
{
    host.state().OrvikMode = 0;
    return DownloadBlocks(named(host, InstrumentNames::Varden));
}

DownloadOutcome mnuQF2000_Click(DownloadHost &host)
{
    host.state().OrvikMode = 0;
    return DownloadBlocks(named(host, InstrumentNames::Qf2000));
}

DownloadOutcome mnuFennix_Click(DownloadHost &host) { return FennixDownload(named(host, InstrumentNames::Fennix)); }
DownloadOutcome mnuFennix_Radio_Click(DownloadHost &host)
{
    return listeningDownload(named(host, InstrumentNames::FennixRadio), InstrumentLinks::FennixRadio);
}
DownloadOutcome mnuDuramoFN_Click(DownloadHost &host)
{
    return listeningDownload(named(host, InstrumentNames::DuramoFn), InstrumentLinks::DuramoFn);
}
// QF-100 and KESTRA II run their sibling's download under their own name.
DownloadOutcome mnuQF100_Click(DownloadHost &host)
{
    return listeningDownload(named(host, InstrumentNames::Qf100), InstrumentLinks::DuramoFn);
}
DownloadOutcome mnuDuramoST_Click(DownloadHost &host) { return DuramoStDownload(named(host, InstrumentNames::DuramoSt)); }
DownloadOutcome mnuKestra2_Click(DownloadHost &host) { return DuramoStDownload(named(host, InstrumentNames::Kestra)); }
DownloadOutcome mnuQFU_Click(DownloadHost &host) { return listeningDownload(named(host, InstrumentNames::Qfu), InstrumentLinks::Qfu); }
