// How each instrument family is spoken to: line settings, modem lines, record
// end, progress bar and messages. The download procedures read their values here.
#pragma once

#include "InstrumentLink.h"

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
