// Writes a file whole or not at all: the one way the program writes its files.
#pragma once

#include <QByteArrayList>
#include <QString>

// Makes the parts, one after the other, the new content of the file at path.
// Every byte is counted, flushed, then the file is committed in one step. On
// failure the file that was there stays untouched, nothing half-written is
// left behind, false comes back and reason (if given) holds the system's
// reason without a final full stop, e.g. "No space left on device".
// The parts are shared, not copied.
bool writeWholeFile(const QString &path, const QByteArrayList &parts, QString *reason = nullptr);
