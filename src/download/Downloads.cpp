#include "Downloads.h"

#include "CommControl.h"
#include "DownloadBlocks.h"
#include "DownloadHost.h"
#include "DownloadState.h"
#include "DuramoSt.h"
#include "Fennix.h"
#include "InstrumentLinks.h"
#include "ListeningDownload.h"

void mnuOV_Click(DownloadHost &host)
{
    host.state().OrvikMode = 255;
    DownloadBlocks(host);
    host.comm().setHandshaking(0);
}

void mnuVarden_Click(DownloadHost &host)
{
    host.state().OrvikMode = 0;
    DownloadBlocks(host);
}

void mnuQF2000_Click(DownloadHost &host)
{
    host.state().OrvikMode = 0;
    DownloadBlocks(host);
}

void mnuFennix_Click(DownloadHost &host) { FennixDownload(host); }
void mnuFennix_Radio_Click(DownloadHost &host) { listeningDownload(host, InstrumentLinks::FennixRadio); }
void mnuDuramoFN_Click(DownloadHost &host) { listeningDownload(host, InstrumentLinks::DuramoFn); }
void mnuQF100_Click(DownloadHost &host) { mnuDuramoFN_Click(host); }
void mnuDuramoST_Click(DownloadHost &host) { DuramoStDownload(host); }
void mnuKestra2_Click(DownloadHost &host) { mnuDuramoST_Click(host); }
void mnuQFU_Click(DownloadHost &host) { listeningDownload(host, InstrumentLinks::Qfu); }
