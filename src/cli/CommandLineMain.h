// meridoc with arguments: help, version, usage errors and "read", all without
// a display. Runs under a QCoreApplication.
#pragma once

#include <QString>
#include <QStringList>

// arguments without the program name; programFolder holds Port.txt and ports/.
// Returns the exit status.
int runCommandLine(const QStringList &arguments, const QString &programFolder);
