#include "StatusLine.h"

#include "StatusText.h"

#include <QPainter>
#include <QStyle>

using namespace Qt::StringLiterals;

StatusLine::StatusLine(QWidget *parent)
    : QLabel(parent)
{
    setObjectName(u"statusLine"_s);
    // A long reason must not widen the window: the line is cut in its
    // middle, where a path is (its start says what happened, its end why and
    // what goes on), and the whole text is its tool tip.
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

QString StatusLine::shownText() const
{
    return fontMetrics().elidedText(text(), Qt::ElideMiddle, contentsRect().width());
}

void StatusLine::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    style()->drawItemText(&painter, contentsRect(), int(alignment()), palette(), isEnabled(), shownText(),
                          foregroundRole());
}
