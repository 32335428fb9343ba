// What the port dialog's O.K. button makes of the typed entry, and the main
// window caption that names the chosen port.
#pragma once

#include <QString>

struct PortEntry
{
    enum Kind {
        Empty,        // nothing typed: the dialog only hides
        Invalid,      // no port at all (last character not a digit, number below 1)
        AboveSixteen, // a number, but beyond COM 16
        Port,         // COM 1 to COM 16, to be test-opened
    };
    Kind kind = Empty;
    // The text ComPortNumber takes (AboveSixteen and Port): the last two
    // characters when they form a number, otherwise the last one, unchanged.
    QString comPortNumber;
    int port = 0;
};

// "COM12" -> 12, " 4" -> " 4" (port 4), "123" -> "23" (above 16), "x" and "0" invalid.
PortEntry portEntryFromText(const QString &entry);

// " MERIDOC / Instrument connected to COM" followed by ComPortNumber as it stands.
QString connectedCaption(const QString &comPortNumber);
