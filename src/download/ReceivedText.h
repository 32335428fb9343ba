// The received-text assembly: entries 1 up to and including the entry count,
// each followed by CR LF (entry 0 is left out; the last pass adds a bare CR LF).
#pragma once

#include <QByteArray>
#include <QList>

QByteArray assembleReceivedText(const QList<QByteArray> &entries);
