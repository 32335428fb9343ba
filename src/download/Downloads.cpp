#include "Downloads.h"

#include "DownloadHost.h"

void mnuOV_Click(DownloadHost &) { }
void mnuVarden_Click(DownloadHost &) { }
void mnuQF2000_Click(DownloadHost &) { }
void mnuFennix_Click(DownloadHost &) { }
void mnuFennix_Radio_Click(DownloadHost &) { }
void mnuDuramoFN_Click(DownloadHost &) { }
void mnuQF100_Click(DownloadHost &host) { mnuDuramoFN_Click(host); }
void mnuDuramoST_Click(DownloadHost &) { }
void mnuKestra2_Click(DownloadHost &host) { mnuDuramoST_Click(host); }
void mnuQFU_Click(DownloadHost &) { }
