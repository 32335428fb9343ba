#include "PortNumber.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

std::optional<qint16> portNumberFromText(const QString &text)
{
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t.at(i) == u'+' || t.at(i) == u'-')) {
        negative = t.at(i) == u'-';
        ++i;
    }
    const qsizetype intStart = i;
    while (i < t.size() && isDigit(t.at(i)))
        ++i;
    const QStringView whole = QStringView(t).mid(intStart, i - intStart);
    QStringView fraction;
    if (i < t.size() && t.at(i) == u'.') {
        const qsizetype fracStart = ++i;
        while (i < t.size() && isDigit(t.at(i)))
            ++i;
        fraction = QStringView(t).mid(fracStart, i - fracStart);
    }
    if (i != t.size() || (whole.isEmpty() && fraction.isEmpty()))
        return std::nullopt;

    // The integer part is checked digit by digit, so that no length of text
    // can overflow the arithmetic.
    qint64 value = 0;
    for (QChar c : whole) {
        value = value * 10 + (c.unicode() - u'0');
        if (value > 100000)
            return std::nullopt;
    }
    if (!fraction.isEmpty()) {
        const int first = fraction.at(0).unicode() - u'0';
        bool restNonZero = false;
        for (QChar c : fraction.mid(1))
            restNonZero = restNonZero || c != u'0';
        const bool roundUp = first > 5 || (first == 5 && (restNonZero || value % 2 == 1));
        if (roundUp)
            ++value;
    }
    if (negative)
        value = -value;
    if (value < -32768 || value > 32767)
        return std::nullopt;
    return static_cast<qint16>(value);
}

QString comDevicePath(int n, const QString &programFolder)
{
    if (n < 1 || n > 16)
        return {};
#ifdef Q_OS_WIN
    Q_UNUSED(programFolder);
    return u"COM%1"_s.arg(n);
#else
    const QString link = programFolder + u"/ports/com%1"_s.arg(n);
    // A link whose adapter is unplugged still means this port: opening it
    // then reports the missing device instead of reaching another port.
    const QFileInfo info(link);
    if (info.exists() || info.isSymLink())
        return link;
    return u"/dev/ttyS%1"_s.arg(n - 1);
#endif
}
