// The downloads of the data menu, one per menu entry; each runs from start to
// end inside its menu handler.
#pragma once

class DownloadHost;

void mnuOV_Click(DownloadHost &host);           // ORVIK FE-B / FN-B
void mnuVarden_Click(DownloadHost &host);       // DURAMO Varden
void mnuQF2000_Click(DownloadHost &host);       // QF-2000
void mnuFennix_Click(DownloadHost &host);       // FENNIX, interface cable
void mnuFennix_Radio_Click(DownloadHost &host); // FENNIX, radio link
void mnuDuramoFN_Click(DownloadHost &host);     // DURAMO FE-S / FN
void mnuQF100_Click(DownloadHost &host);        // QF-100 (as DURAMO FE-S / FN)
void mnuDuramoST_Click(DownloadHost &host);     // DURAMO 5/10/20 ST
void mnuKestra2_Click(DownloadHost &host);      // KESTRA II (as DURAMO ST)
void mnuQFU_Click(DownloadHost &host);          // QFU-ST
