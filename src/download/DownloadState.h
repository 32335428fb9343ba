// The state the downloads share for the whole run of the program.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

struct DownloadState
{
    // The FENNIX commands, built at start-up: "$qur10" / "$qura1", then LF CR.
    QByteArray SendCmd10;
    QByteArray SendCmdA1;

    // Set by each download just before receiving; only ReceiveLines reads them.
    QByteArray RecordEnd;
    qint16 RecordEndLen = 0;

    // The instrument of the download under way, as the data menu names it
    // (set by the menu's download, kept in the history's copy).
    QString Instrument;

    // Scratch text of the received-text assembly.
    QByteArray ReceiveBuffer;

    // The common download engine (ORVIK, Varden, QF-2000): 255 for ORVIK, and
    // the blocks cut at lines of 20 underscores (ValueList[0] is not used).
    quint8 OrvikMode = 0;
    QList<QByteArray> ValueList;
    // Not 16 bits: every block is kept, however many the instrument sends.
    qsizetype ValueCount = 1;
    qsizetype LastValueIndex = 0;
};

// The start-up step that builds the FENNIX commands.
inline void buildFennixCommands(DownloadState &state)
{
    state.SendCmd10 = QByteArrayLiteral("$qur10\n\r");
    state.SendCmdA1 = QByteArrayLiteral("$qura1\n\r");
}
