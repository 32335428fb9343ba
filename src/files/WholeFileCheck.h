// Whether the one writer could write a file now: asked before the data exist,
// so that a read whose file cannot be written is refused before an instrument
// gives its data (some clear their memory after a transfer).
#pragma once

#include <QString>
#include <optional>

// Why writeWholeFile could not write the file at path now (without the path:
// "it is a folder", "the folder /x does not exist", ...), or nullopt when it
// could. Makes and removes a file of the temporary name's length in the
// folder, since only that shows what the folder takes.
std::optional<QString> wholeFileProblem(const QString &path);
