// Port numbers: the text of ComPortNumber as a 16-bit CommPort, and which
// device a COM number reaches on this system.
#pragma once

#include <QString>
#include <optional>

// Decimal text to a signed 16-bit integer: blanks around the number are
// allowed, a fraction rounds to the nearest integer with halves to even
// ("2.5" -> 2, "3.5" -> 4). Not a number, or outside -32768..32767: nullopt.
std::optional<qint16> portNumberFromText(const QString &text);

// COM n as a device path: <programFolder>/ports/comN when that path exists
// (normally a symbolic link, also one whose device is unplugged right now),
// otherwise /dev/ttyS<N-1>; COMn on Windows. Empty for n outside 1..16.
QString comDevicePath(int n, const QString &programFolder);
