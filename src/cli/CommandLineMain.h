// meridoc with arguments: help, version, usage errors and "read", all without
// a display. Runs under a QCoreApplication.
#pragma once

#include <QString>
#include <QStringList>

// arguments without the program name; programFolder holds Port.txt, ports/
// and history/. Returns the exit status; a read that a signal ended ends the
// program by that signal instead.
int runCommandLine(const QStringList &arguments, const QString &programFolder);
