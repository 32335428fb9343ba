// Saves the blocks of the last ORVIK, Varden or QF-2000 download as numbered
// measurement data files, after the user chose a name in the file dialog.
#pragma once

class DownloadHost;

void SaveBlockFiles(DownloadHost &host);
