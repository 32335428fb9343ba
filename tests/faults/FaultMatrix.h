// Every instrument entry of the data menu against one fault at a time, over a
// pseudo-terminal with the simulated instrument, and the checks that must hold
// after any of them: no hang, the port closed, the process idle, the menus
// usable (or the program ending, after a close), and the lines kept.
#pragma once

#include <QList>
#include <QMetaType>

enum class Fault {
    PortMissing,       // no device behind COM 3
    PortBusy,          // another open holds the device
    VanishBeforeData,  // the device goes away before the first data byte
    VanishMidLine,     // ... in the middle of the third line
    EscWaiting,        // ESC while the download waits for the instrument
    EscAnswered,       // ESC between the instrument's start mark or answer and its data
    EscReceiving,      // ESC between two lines of the data
    CloseWaiting,      // the main window closed in those same phases
    CloseAnswered,
    CloseReceiving,
};
Q_DECLARE_METATYPE(Fault)

// Adds the columns "entry" and "fault" and one row for each of the ten menu
// entries with each fault that applies to it.
void addFaultRows(const QList<Fault> &faults);

// Runs the row's entry against its fault and checks the outcome (QTest
// failures are recorded; the caller returns afterwards).
void runFaultRow();
