#include "PortEntry.h"

using namespace Qt::StringLiterals;

namespace {

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// A decimal number with blanks around it, an optional sign and at most one
// decimal point, as the entry's last two characters may spell it (" 4", "-3", ".5").
bool isNumberText(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    if (begin < end && (text[begin] == u'+' || text[begin] == u'-'))
        ++begin;
    bool digit = false;
    bool point = false;
    for (qsizetype i = begin; i < end; ++i) {
        if (isAsciiDigit(text[i]))
            digit = true;
        else if (text[i] == u'.' && !point)
            point = true;
        else
            return false;
    }
    return digit;
}

// The integer part of such a number; the text is at most two characters long.
int integerPart(QStringView number)
{
    int value = 0;
    bool negative = false;
    for (QChar c : number) {
        if (c == u'-')
            negative = true;
        else if (c == u'.')
            break;
        else if (isAsciiDigit(c))
            value = value * 10 + (c.unicode() - u'0');
    }
    return negative ? -value : value;
}

} // namespace

PortEntry portEntryFromText(const QString &entry)
{
    if (entry.isEmpty())
        return {};
    const QString lastTwo = entry.right(2);
    const QString number = isNumberText(lastTwo) ? lastTwo : entry.right(1);
    if (!isAsciiDigit(number.back()))
        return {PortEntry::Invalid, {}, 0};
    const int port = integerPart(number);
    if (port < 1)
        return {PortEntry::Invalid, {}, 0};
    return {port > 16 ? PortEntry::AboveSixteen : PortEntry::Port, number, port};
}

QString connectedCaption(const QString &comPortNumber)
{
    return u" MERIDOC / Instrument connected to COM"_s + comPortNumber;
}
