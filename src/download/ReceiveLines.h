// The line receiver every download ends in: records from the serial control
// become entries of stat1 until ESC, a record holding "End", or a lost device.
#pragma once

#include <QString>

class DownloadHost;

enum class ReceiveEnd { Esc, EndMark, EndOfFile, DeviceLost };

// firstBytes: data that came in the same read as the instrument's answer or
// start mark, received before this call; they begin the first line.
// afterStartMark: the data follow a start mark, so one record end directly
// behind it closes the mark's line instead of making an empty entry.
ReceiveEnd ReceiveLines(DownloadHost &host, const QByteArray &firstBytes = {}, bool afterStartMark = false);

// The progress bar after `entries` more entries, one step each: a step that
// passes max - 1 returns the bar to 0, except on the entry that ends the
// reception (lastEnds), which keeps its step.
int progressAfterEntries(int value, int max, qsizetype entries, bool lastEnds);

// A count of lines in words: "1 line", "12 lines".
QString linesText(qsizetype lines);
// The count of received lines as the window shows it: "12 lines received".
QString receivedCountText(qsizetype lines);
