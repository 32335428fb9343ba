// Port.txt: the one setting of the program, the COM number, as one line
// " <digits>" CR LF in the program folder.
#pragma once

#include "SmallFile.h"

#include <QByteArray>
#include <QString>
#include <optional>

// The most either reader takes of a port file: the stored line is a few
// bytes, and a damaged file of megabytes must not hold the program.
constexpr qsizetype kPortFileLimit = 4096;

// The first kPortFileLimit bytes of the port file at path (the main window
// and the port dialog read it the same way).
SmallFile readPortFile(const QString &path);

// The main window's reading of the first line: the decimal number at its
// start (blanks before and inside ignored, stops at the first character that
// cannot belong to a number, none gives 0), in shortest decimal form.
QString portNumberFromFirstLine(const QByteArray &line);

// The first line of the file's bytes (up to CR, LF or CR LF), or nullopt when
// the content holds no line at all (zero length).
std::optional<QByteArray> firstLine(const QByteArray &content);

// The first line of the port file at path, or nullopt when it cannot be read
// or holds no line; the reason lands in error. Only the start of a larger
// file is read: the number is taken from the first characters of the line.
std::optional<QByteArray> readFirstLine(const QString &path, QString *error);

// The COM number the port file at path holds, as the main window reads it
// (portNumberFromFirstLine of its first line); nullopt with the reason in
// error when it cannot be read or holds no line. The window at start-up and
// the command line take the port this way.
std::optional<QString> readComPortNumber(const QString &path, QString *error);

// The port dialog's reading: the last non-empty line, unchanged.
QString lastNonEmptyLine(const QByteArray &content);

// The stored form: a blank for the sign, the digits, CR LF (3 -> " 3\r\n").
QByteArray formatPortFile(int port);

// Path of Port.txt in the given program folder.
QString portFilePath(const QString &programFolder);
