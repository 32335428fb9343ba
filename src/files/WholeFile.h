// Writes a file whole or not at all, and durably: the one way the program
// writes its files.
#pragma once

#include <QByteArrayList>
#include <QString>

// Makes the parts, one after the other, the new content of the file at path.
// Every byte is written (a write that takes only part of them is continued),
// synced to the disk and checked, and only then does the file get its name;
// then its folder is synced, so the name survives a power cut too. True only
// when all of that succeeded.
// On failure false comes back and reason (if given) holds the failed call,
// the path and the system's reason, e.g. "fsync /home/u/mes/a.mes:
// Input/output error". Up to the rename the file that was there stays
// untouched and nothing half-written is left behind; when only the folder's
// sync failed, the file has its new content but may not outlive a power cut.
// The parts are shared, not copied.
bool writeWholeFile(const QString &path, const QByteArrayList &parts, QString *reason = nullptr);
