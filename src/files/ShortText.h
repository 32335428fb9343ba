// Texts that came from a file or a device, shortened for a message: a
// damaged file may hold a line of megabytes, and a message box laying out
// such a line holds the program for a minute and does not fit the screen.
#pragma once

#include <QString>

// The text as it is when it has at most 40 characters; otherwise its first
// 40 characters followed by "…".
QString shortForMessage(const QString &text);
