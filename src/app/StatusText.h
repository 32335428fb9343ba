// The texts of the window's status line: how a download ended and what it
// kept, what Open and Save did, and that the history copy stopped.
#pragma once

#include "DocumentActions.h"
#include "DownloadOutcome.h"

#include <QString>

// One line: the ending, then where the history copy is (its file name; the
// history window knows the folder) or why there is none or that it is
// incomplete, then what became of the block files. Empty for a download
// abandoned because the program ends.
QString downloadStatusText(const DownloadOutcome &outcome);

// Said at once, while the download goes on; reason is the journal's sentence.
QString historyStoppedStatusText(const QString &reason);

QString fileStatusText(const FileOutcome &outcome);
