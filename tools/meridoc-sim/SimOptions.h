// The command line of meridoc-sim, read into plain settings.
#pragma once

#include "InstrumentFamily.h"

#include <QString>
#include <QStringList>

#include <optional>

struct SimOptions
{
    InstrumentFamily family = InstrumentFamily::Orvik;
    QString folder;
    int com = 1;
    QString dataFile;
    std::optional<quint32> splitSeed;
    bool noSplit = false;
    bool anyLine = false;
    int baud = 0;
    int pauseMs = -1;
    int answerPauseMs = -1;
    int linePauseMs = 0;
    qint64 dropAfter = -1;
    qint64 floodLines = -1;
    int lineLength = 20;
    bool noEnd = false;
    QString logFile;
    bool repeat = false;
    bool printPath = false;
};

struct ParsedOptions
{
    std::optional<SimOptions> options;
    QString error;     // set when the command line is wrong
    QString helpText;  // set when help was asked for
};

// arguments include the program name first, as QCoreApplication::arguments().
ParsedOptions parseSimOptions(const QStringList &arguments, const QString &defaultFolder);
