// Saves the blocks of the last ORVIK, Varden or QF-2000 download as numbered
// measurement data files, after the user chose a name in the file dialog.
#pragma once

#include "DownloadOutcome.h"

class DownloadHost;

// Fills the outcome's blocks, blocksWritten, blocksName and blocksProblem.
void SaveBlockFiles(DownloadHost &host, DownloadOutcome &outcome);
