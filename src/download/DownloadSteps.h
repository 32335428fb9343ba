// The steps every instrument download shares: opening the port, preparing the
// window for the data, receiving into the list, and closing down again.
#pragma once

#include "DownloadOutcome.h"

class DownloadHost;
struct InstrumentLink;

// Selects and opens the port (or reports it busy and goes on), hides
// Clipboard1, sets the record end, locks the menus and sets the line.
// False when the port could not be opened or did not take the line settings:
// the user has been told, problem says why, the port is closed, the menus are
// free, and the list and Clipboard1 are as they were.
[[nodiscard]] bool openingSteps(DownloadHost &host, const InstrumentLink &link, PortProblem &problem);

// Locks the menus again, sets the bar's maximum, hides the list, shows the
// message and the hints, lets the window show them, and resets the bar.
void prepareReceiving(DownloadHost &host, const InstrumentLink &link, const char *message);

// Clears the list, receives into it (firstBytes, afterStartMark: see
// ReceiveLines), and assembles ReceiveBuffer from it. The outcome holds how
// the reception ended, the lines, and what the history kept.
DownloadOutcome receiveIntoList(DownloadHost &host, const QByteArray &firstBytes = {}, bool afterStartMark = false);

// Restores the window (the list and Clipboard1 shown only when showList),
// unlocks the menus, sends the closing command where the instrument has one,
// lowers RTS and DTR and closes the port; then tells the user if the
// instrument was lost on the way (the outcome's ending becomes ConnectionLost)
// or the history copy failed.
void closingSteps(DownloadHost &host, const InstrumentLink &link, DownloadOutcome &outcome,
                  bool showList = true);
