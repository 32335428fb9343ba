// How each instrument family is spoken to: line settings, modem lines, record
// end, progress bar and messages. The download procedures read their values here.
#pragma once

#include <QtGlobal>

enum class ModemLines { Raised, Low };

struct InstrumentLink
{
    const char *settings;           // MSComm1.Settings
    ModemLines modemLines;          // RTS and DTR while the port is open
    bool xonXoff;                   // Handshaking XON/XOFF during the download
    const char *recordEnd;          // RecordEnd
    qint16 recordEndLen;            // RecordEndLen: characters cut from each record
    bool emptiesOutputFirst;        // OutBufferCount = 0 before the menus are locked
    int progressMax;                // 0: the bar keeps what the previous download left
    const char *instruction;        // WarnText2 while waiting for the data
    bool showsQfuHint;              // QfuText1 visible during the download
    bool sendsClosingCommand;       // SendCmdA1 before the port is closed
};

namespace InstrumentLinks {

inline constexpr char StartAtInstrument[] = "Start downloading from the instrument!";
inline constexpr char Running[] = "Data download from instrument is running";

// ORVIK FE-B / FN-B: listens, paced by XON/XOFF; blocks closed by underscore
// lines. Its RTS and DTR are never raised: they stay low from the open.
inline constexpr InstrumentLink Orvik{
    "38400,n,8,1", ModemLines::Low, true, "\r\n", 2, false, 300,
    "At the device press key MENU - Transfer - Transfer FE/NFE memory !", false, false};

// DURAMO Varden and QF-2000: announce their data with "$s$".
inline constexpr InstrumentLink Varden{
    "38400,n,8,1", ModemLines::Raised, false, "\r\n", 2, false, 300,
    "At the device press key MENU - Print+PC - Transfer to PC!", false, false};

// DURAMO FE-S / FN and QF-100: records end in CR alone.
inline constexpr InstrumentLink DuramoFn{
    "1200,n,8,1", ModemLines::Raised, false, "\r", 1, false, 50, StartAtInstrument, false, false};

// DURAMO 5/10/20 ST and KESTRA II: start on "T4", closed by SendCmdA1.
inline constexpr InstrumentLink DuramoSt{
    "9600,n,8,1", ModemLines::Low, false, "\r\n", 2, true, 100, Running, false, true};

// QFU-ST: 7 data bits, 2 stop bits; its own configuration hint is shown.
inline constexpr InstrumentLink Qfu{
    "1200,n,7,2", ModemLines::Raised, false, "\r\n", 2, false, 50, StartAtInstrument, true, false};

// FENNIX on its interface cable: polled with SendCmd10, closed by SendCmdA1.
inline constexpr InstrumentLink Fennix{
    "9600,n,8,1", ModemLines::Low, false, "\r\n", 2, false, 0, Running, false, true};

// FENNIX over its radio link: the record end CR LF, but only the LF is cut.
inline constexpr InstrumentLink FennixRadio{
    "1200,n,8,1", ModemLines::Raised, false, "\r\n", 1, false, 0, StartAtInstrument, false, false};

} // namespace InstrumentLinks
