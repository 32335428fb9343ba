// Bytes from the line written as readable text for logs: printable ASCII as it
// is, CR LF TAB and backslash as C escapes, every other byte as \xHH.
#pragma once

#include <QByteArray>

QByteArray escapedBytes(const QByteArray &bytes);
