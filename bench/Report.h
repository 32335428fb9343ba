// How the benchmark prints: one line per figure, and the verdict on its target.
#pragma once

#include "Flood.h"
#include "ReceiveLines.h"

#include <QString>

enum BenchOutcome { TargetMet = 0, TargetMissed = 1, CouldNotRun = 2 };

// Prints "<name>: <text>" on standard output.
void printFigure(const QString &name, const QString &text);
// Prints a remark about a run on standard error.
void printNote(const QString &name, const QString &text);
// Prints why a figure could not be measured on standard error; returns CouldNotRun.
int cannotRun(const QString &name, const QString &reason);
// The note on a simulator that did not end by itself with status 0: how it
// ended ("still running", "exit 1", ...) and what it wrote on standard error.
QString simulatorNote(const QByteArray &ending, const QByteArray &errors);

// "met" or "MISSED", for the end of a figure's line.
QString verdict(bool met);
// A number with thousands separated by commas, as in 5,000,000.
QString grouped(double value);

// How a reception ended, in words: "ESC", "an End line", ...
QString receiveEndName(ReceiveEnd end);

// "all 2,000 arrived intact", or what went wrong with the numbered lines.
QString describeCheck(const FloodCheck &check, qint64 expected);
