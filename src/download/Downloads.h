// The downloads of the data menu, one per menu entry; each runs from start to
// end inside its menu handler and returns how it ended and what it kept.
#pragma once

#include "DownloadOutcome.h"

class DownloadHost;

DownloadOutcome mnuOV_Click(DownloadHost &host);           // ORVIK FE-B / FN-B
DownloadOutcome mnuVarden_Click(DownloadHost &host);       // DURAMO Varden
DownloadOutcome mnuQF2000_Click(DownloadHost &host);       // QF-2000
DownloadOutcome mnuFennix_Click(DownloadHost &host);       // FENNIX, interface cable
DownloadOutcome mnuFennix_Radio_Click(DownloadHost &host); // FENNIX, radio link
DownloadOutcome mnuDuramoFN_Click(DownloadHost &host);     // DURAMO FE-S / FN
DownloadOutcome mnuQF100_Click(DownloadHost &host);        // QF-100 (as DURAMO FE-S / FN)
DownloadOutcome mnuDuramoST_Click(DownloadHost &host);     // DURAMO 5/10/20 ST
DownloadOutcome mnuKestra2_Click(DownloadHost &host);      // KESTRA II (as DURAMO ST)
DownloadOutcome mnuQFU_Click(DownloadHost &host);          // QFU-ST
