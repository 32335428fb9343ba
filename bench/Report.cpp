#include "Report.h"

#include <QTextStream>

#include <cmath>

using namespace Qt::StringLiterals;

void printFigure(const QString &name, const QString &text)
{
    QTextStream(stdout) << name << ": " << text << Qt::endl;
}

void printNote(const QString &name, const QString &text)
{
    QTextStream(stderr) << name << ": note: " << text << Qt::endl;
}

int cannotRun(const QString &name, const QString &reason)
{
    QTextStream(stderr) << name << ": could not be measured: " << reason << Qt::endl;
    return CouldNotRun;
}

QString simulatorNote(const QByteArray &ending, const QByteArray &errors)
{
    return u"meridoc-sim did not end by itself with status 0 (%1): %2"_s.arg(QString::fromLatin1(ending),
                                                                            QString::fromLocal8Bit(errors).trimmed());
}

QString verdict(bool met)
{
    return met ? u"met"_s : u"MISSED"_s;
}

QString grouped(double value)
{
    QString digits = QString::number(std::llround(std::fabs(value)));
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, u',');
    return value < 0 ? u"-"_s + digits : digits;
}

QString receiveEndName(ReceiveEnd end)
{
    switch (end) {
    case ReceiveEnd::Esc:
        return u"ESC"_s;
    case ReceiveEnd::EndMark:
        return u"an End line"_s;
    case ReceiveEnd::EndOfFile:
        return u"the end-of-file event"_s;
    case ReceiveEnd::DeviceLost:
        return u"a lost device"_s;
    }
    return {};
}

QString describeCheck(const FloodCheck &check, qint64 expected)
{
    if (check.complete() && check.lines == expected)
        return u"all %1 arrived intact"_s.arg(grouped(double(expected)));
    return u"LOST OR DAMAGED: %1 of %2 intact, %3 missing (first %4), %5 doubled, %6 out of order, %7 damaged"_s
        .arg(grouped(double(check.lines)), grouped(double(expected)), grouped(double(check.missing)))
        .arg(check.firstMissing).arg(check.duplicated).arg(check.outOfOrder).arg(check.damaged);
}
