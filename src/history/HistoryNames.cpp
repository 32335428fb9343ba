#include "HistoryNames.h"

#include "InstrumentNames.h"

#include <QHash>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {

const QString timeFormat = u"yyyy-MM-dd HH-mm-ss"_s;
const QString incompleteMark = u"incomplete copy"_s;
const QString partSuffix = u".mes.part"_s;
const QString mesSuffix = u".mes"_s;

// The ending's mark in the file name; a complete download has none.
QString endingMark(HistoryEnding ending)
{
    switch (ending) {
    case HistoryEnding::StoppedByEsc:
        return u"stopped by ESC"_s;
    case HistoryEnding::ConnectionLost:
        return u"connection lost"_s;
    case HistoryEnding::Interrupted:
        return u"interrupted"_s;
    case HistoryEnding::Complete:
    case HistoryEnding::Running:
        break;
    }
    return {};
}

// "stopped by ESC, incomplete copy", "incomplete copy", "stopped by ESC", "".
QString endingWords(HistoryEnding ending, bool incompleteCopy)
{
    const QString mark = endingMark(ending);
    if (!incompleteCopy)
        return mark;
    return mark.isEmpty() ? incompleteMark : mark + u", "_s + incompleteMark;
}

// The name the menu gives the instrument whose file-safe form this is. A
// history of years holds a hundred thousand names: the table is made once.
QString menuName(const QString &safePart)
{
    static const QHash<QString, QString> names = [] {
        QHash<QString, QString> table;
        for (const char *name : InstrumentNames::All)
            table.insert(fileSafeName(QString::fromLatin1(name)), QString::fromLatin1(name));
        return table;
    }();
    return names.value(safePart, safePart);
}

// "2026-12-07 14-03-22", whose digits the pattern has checked, as a plain
// timestamp (Qt::UTC standing for "no zone"): as local time it would be
// invalid where the local zone skips that time. QDateTime::fromString takes
// ten times as long, which a history of years pays a hundred thousand times.
QDateTime startOf(QStringView text)
{
    const auto number = [text](qsizetype at, qsizetype length) {
        int n = 0;
        for (qsizetype i = at; i < at + length; ++i)
            n = n * 10 + text[i].digitValue();
        return n;
    };
    return QDateTime(QDate(number(0, 4), number(5, 2), number(8, 2)),
                     QTime(number(11, 2), number(14, 2), number(17, 2)), Qt::UTC);
}

} // namespace

QString fileSafeName(const QString &name)
{
    static const QString refused = u"/\\:*?\"<>|"_s;
    QString safe = name;
    for (QChar &c : safe) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || refused.contains(c))
            c = u'-';
    }
    // Windows refuses names ending in a dot or blank.
    while (safe.endsWith(u'.') || safe.endsWith(u' '))
        safe.chop(1);
    return safe.isEmpty() ? u"instrument"_s : safe;
}

QString journalBaseName(const QDateTime &start, const QString &instrument, int n)
{
    QString base = start.toString(timeFormat) + u' ' + fileSafeName(instrument);
    if (n > 1)
        base += u" (%1)"_s.arg(n);
    return base;
}

QString runningFileName(const QString &baseName)
{
    return baseName + partSuffix;
}

QString finishedFileName(const QString &baseName, HistoryEnding ending, bool incompleteCopy)
{
    const QString words = endingWords(ending, incompleteCopy);
    return baseName + (words.isEmpty() ? QString() : u" ("_s + words + u')') + mesSuffix;
}

std::optional<HistoryName> parseHistoryName(const QString &fileName)
{
    static const QRegularExpression pattern(
        uR"(^((\d{4}-\d\d-\d\d \d\d-\d\d-\d\d) (.+?)(?: \(\d+\))?)(?: \((?:(stopped by ESC|connection lost|interrupted)(, incomplete copy)?|(incomplete copy))\))?(\.mes|\.mes\.part)$)"_s);
    const QRegularExpressionMatch match = pattern.match(fileName);
    if (!match.hasMatch())
        return std::nullopt;
    HistoryName name;
    name.start = startOf(match.capturedView(2));
    if (!name.start.isValid())
        return std::nullopt;
    name.baseName = match.captured(1);
    name.instrument = menuName(match.captured(3));
    name.running = match.captured(7) == partSuffix;
    name.incompleteCopy = match.hasCaptured(5) || match.hasCaptured(6);
    const QString mark = match.captured(4);
    if (name.running) {
        if (!mark.isEmpty() || name.incompleteCopy)
            return std::nullopt;
        name.ending = HistoryEnding::Running;
    } else if (mark == u"stopped by ESC") {
        name.ending = HistoryEnding::StoppedByEsc;
    } else if (mark == u"connection lost") {
        name.ending = HistoryEnding::ConnectionLost;
    } else if (mark == u"interrupted") {
        name.ending = HistoryEnding::Interrupted;
    }
    return name;
}

QString endingText(HistoryEnding ending, bool incompleteCopy)
{
    if (incompleteCopy)
        return endingWords(ending, true);
    switch (ending) {
    case HistoryEnding::Complete:
        return u"complete"_s;
    case HistoryEnding::StoppedByEsc:
        return u"stopped by ESC"_s;
    case HistoryEnding::ConnectionLost:
        return u"connection lost"_s;
    case HistoryEnding::Interrupted:
        return u"interrupted"_s;
    case HistoryEnding::Running:
        return u"running"_s;
    }
    return {};
}
