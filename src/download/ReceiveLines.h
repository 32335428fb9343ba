// The line receiver every download ends in: records from the serial control
// become entries of stat1 until ESC, a record holding "End", or a lost device.
#pragma once

class DownloadHost;

enum class ReceiveEnd { Esc, EndMark, EndOfFile, DeviceLost };

ReceiveEnd ReceiveLines(DownloadHost &host);
