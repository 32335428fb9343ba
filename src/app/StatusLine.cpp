#include "StatusLine.h"

#include "StatusText.h"

using namespace Qt::StringLiterals;

StatusLine::StatusLine(QWidget *parent)
    : QLabel(parent)
{
    setObjectName(u"statusLine"_s);
    // A long reason must not widen the window: the line is cut at its edge,
    // and the whole text is its tool tip.
    setMinimumWidth(1);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setTextFormat(Qt::PlainText);
}

void StatusLine::clearLine()
{
    say(QString());
}

void StatusLine::showDownload(const DownloadOutcome &outcome)
{
    say(downloadStatusText(outcome));
}

void StatusLine::showHistoryStopped(const QString &reason)
{
    say(historyStoppedStatusText(reason));
}

void StatusLine::showFile(const FileOutcome &outcome)
{
    say(fileStatusText(outcome));
}

void StatusLine::say(const QString &text)
{
    setText(text);
    setToolTip(text);
}
