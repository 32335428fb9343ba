// The FENNIX download over the interface cable: SendCmd10 polls the gauge
// until it answers, SendCmdA1 ends the talk, also when the user gave up.
#pragma once

#include "DownloadOutcome.h"

class DownloadHost;

DownloadOutcome FennixDownload(DownloadHost &host);
