// The readings a simulated instrument sends when it is given no file: a short,
// readable memory per family, as the real instrument would print it.
#pragma once

#include "InstrumentFamily.h"

#include <QByteArray>
#include <QList>

// The lines of the family's sample, without record ends; "End" last when withEnd.
QList<QByteArray> sampleLines(InstrumentFamily family, bool withEnd = true);
// The same lines as they go on the wire, each followed by the family's record end.
QByteArray sampleData(InstrumentFamily family, bool withEnd = true);
