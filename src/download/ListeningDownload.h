// The download of the instruments that send by themselves once the user
// starts them at their keypad: DURAMO FE-S / FN, QF-100, QFU-ST, FENNIX radio.
#pragma once

#include "DownloadOutcome.h"

class DownloadHost;
struct InstrumentLink;

DownloadOutcome listeningDownload(DownloadHost &host, const InstrumentLink &link);
