#include "LineSettings.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace {

std::optional<QSerialPort::Parity> parityFromLetter(const QString &field)
{
    if (field.size() != 1)
        return std::nullopt;
    switch (field.at(0).toLower().unicode()) {
    case 'n': return QSerialPort::NoParity;
    case 'e': return QSerialPort::EvenParity;
    case 'o': return QSerialPort::OddParity;
    case 'm': return QSerialPort::MarkParity;
    case 's': return QSerialPort::SpaceParity;
    default: return std::nullopt;
    }
}

bool allDigits(const QString &field)
{
    if (field.isEmpty())
        return false;
    for (QChar c : field) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

std::optional<LineSettings> refuse(QString *why, const QString &reason)
{
    if (why)
        *why = reason;
    return std::nullopt;
}

} // namespace

std::optional<LineSettings> parseLineSettings(const QString &text, QString *why)
{
    const QStringList fields = text.split(u',');
    if (fields.size() != 4) {
        return refuse(why, u"\"%1\" is not of the form baud,parity,data bits,stop bits (e.g. 9600,n,8,1)"_s
                                   .arg(text));
    }
    const QString baud = fields.at(0).trimmed();
    const QString parity = fields.at(1).trimmed();
    const QString data = fields.at(2).trimmed();
    const QString stop = fields.at(3).trimmed();

    LineSettings s;
    bool ok = false;
    const qint32 rate = baud.toInt(&ok);
    if (!allDigits(baud) || !ok || rate <= 0)
        return refuse(why, u"\"%1\" is not a baud rate"_s.arg(baud));
    s.baudRate = rate;

    const auto p = parityFromLetter(parity);
    if (!p)
        return refuse(why, u"\"%1\" is not a parity letter (n, e, o, m or s)"_s.arg(parity));
    s.parity = *p;

    if (data == u"5"_s)
        s.dataBits = QSerialPort::Data5;
    else if (data == u"6"_s)
        s.dataBits = QSerialPort::Data6;
    else if (data == u"7"_s)
        s.dataBits = QSerialPort::Data7;
    else if (data == u"8"_s)
        s.dataBits = QSerialPort::Data8;
    else
        return refuse(why, u"\"%1\" is not a number of data bits (5 to 8)"_s.arg(data));

    if (stop == u"1"_s)
        s.stopBits = QSerialPort::OneStop;
    else if (stop == u"1.5"_s)
        s.stopBits = QSerialPort::OneAndHalfStop;
    else if (stop == u"2"_s)
        s.stopBits = QSerialPort::TwoStop;
    else
        return refuse(why, u"\"%1\" is not a number of stop bits (1, 1.5 or 2)"_s.arg(stop));

    return s;
}
