// The command line of meridoc read into plain settings.
#pragma once

#include <QString>
#include <QStringList>

struct ReadOptions
{
    QString instrument;    // a name of readInstruments
    QString comPort;       // --com: "1" to "16"; empty: the one in Port.txt
    QString device;        // --device: the serial device path
    QString output;        // -o: empty or "-" for standard output
    QString blocksBase;    // --blocks: BASE of BASE(1).mes, BASE(2).mes, ...
    bool force = false;    // --force: replace existing block files
    int timeoutMs = 0;     // --timeout in milliseconds; 0: none
    bool history = true;   // false with --no-history: no copy in the download history
};

struct CommandLine
{
    enum class Action { Help, Version, Read, Error };
    Action action = Action::Error;
    ReadOptions read;
    QString error;   // for Error: one line saying what is wrong
};

// arguments without the program name; at least one.
CommandLine parseCommandLine(const QStringList &arguments);
