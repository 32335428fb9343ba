// The DURAMO 5/10/20 ST and KESTRA II download: "T4" starts the instrument,
// SendCmdA1 ends its transfer.
#pragma once

#include "DownloadOutcome.h"

class DownloadHost;

DownloadOutcome DuramoStDownload(DownloadHost &host);
