// The instrument families the simulator plays and how each one behaves on the
// line: what starts its transfer, how its records end, what it understands.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

enum class InstrumentFamily {
    Orvik,
    Varden,
    Qf2000,
    DuramoFn,
    Qf100,
    DuramoSt,
    Kestra,
    Qfu,
    Fennix,
    FennixRadio,
};

enum class TransferStart {
    KeyPress,      // the user presses the key on the instrument; the data follow
    KeyPressMark,  // the user presses the key; the instrument sends "$s$", then the data
    T4Command,     // the program sends "T4"; the data follow
    Polling,       // the program polls with "$qur10" LF CR; an answer, then the data
};

struct FamilyProfile
{
    InstrumentFamily family;
    QString name;        // as given on the command line, e.g. "duramo-st"
    QString title;       // as the user knows the instrument, e.g. "DURAMO 5/10/20 ST"
    TransferStart start;
    QByteArray recordEnd;
    int baud;            // what the real instrument uses; it understands no other speed
    bool xonXoff;        // the instrument paces by XON/XOFF, and needs a program that does too
    bool closingCommand; // the program ends the session with "$qura1" LF CR
};

const FamilyProfile &familyProfile(InstrumentFamily family);
std::optional<InstrumentFamily> familyFromName(const QString &name);
QStringList familyNames();
QList<InstrumentFamily> allFamilies();

// True when the user starts the transfer at the instrument rather than the program.
bool startsAtKeyPress(InstrumentFamily family);

// The bytes on the wire that the families exchange.
namespace WireBytes {
QByteArray startMark();      // "$s$"
QByteArray t4();             // "T4"
QByteArray poll();           // "$qur10" LF CR
QByteArray closing();        // "$qura1" LF CR
QByteArray pollingAnswer();  // the cable FENNIX's answer to poll()
QByteArray blockEnd();       // 20 underscores
}
