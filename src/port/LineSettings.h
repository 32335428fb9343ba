// The Settings text of the serial control ("38400,n,8,1": baud rate, parity
// letter, data bits, stop bits) and its parsing into QSerialPort values.
#pragma once

#include <QSerialPort>
#include <QString>
#include <optional>

struct LineSettings
{
    qint32 baudRate = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;

    friend bool operator==(const LineSettings &, const LineSettings &) = default;
};

// Four comma-separated fields, blanks around each allowed: a positive decimal
// baud rate, one of the parity letters n e o m s (either case), data bits 5..8,
// stop bits 1, 1.5 or 2. Anything else is refused with the reason in *why.
std::optional<LineSettings> parseLineSettings(const QString &text, QString *why = nullptr);
