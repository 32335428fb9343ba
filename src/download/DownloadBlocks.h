// The download shared by ORVIK FE-B / FN-B, DURAMO Varden and QF-2000 (by
// OrvikMode): the lines into the list, then the blocks offered as files.
#pragma once

#include "DownloadOutcome.h"

class DownloadHost;

DownloadOutcome DownloadBlocks(DownloadHost &host);
