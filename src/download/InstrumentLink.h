// The shape of one instrument link: what a download needs to know to speak to
// an instrument family. The values of each family are in InstrumentLinks.h.
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
