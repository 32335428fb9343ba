// The Settings text on any input: accepted texts give sound values that
// survive being written out and read again; refused ones say why.
#include "FuzzCheck.h"
#include "LineSettings.h"

#include <QString>

#include <cstddef>
#include <cstdint>

namespace {

QString settingsText(const LineSettings &s)
{
    const char parity = s.parity == QSerialPort::NoParity     ? 'n'
                      : s.parity == QSerialPort::EvenParity   ? 'e'
                      : s.parity == QSerialPort::OddParity    ? 'o'
                      : s.parity == QSerialPort::MarkParity   ? 'm'
                                                              : 's';
    const QString stop = s.stopBits == QSerialPort::OneStop          ? QStringLiteral("1")
                       : s.stopBits == QSerialPort::OneAndHalfStop   ? QStringLiteral("1.5")
                                                                     : QStringLiteral("2");
    return QStringLiteral("%1,%2,%3,%4").arg(s.baudRate).arg(QChar::fromLatin1(parity)).arg(int(s.dataBits)).arg(stop);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromLatin1(reinterpret_cast<const char *>(data), qsizetype(size));
    QString why;
    const std::optional<LineSettings> settings = parseLineSettings(text, &why);
    if (!settings) {
        FUZZ_CHECK(!why.isEmpty());
        return 0;
    }
    FUZZ_CHECK(settings->baudRate > 0);
    FUZZ_CHECK(settings->dataBits >= QSerialPort::Data5 && settings->dataBits <= QSerialPort::Data8);
    const std::optional<LineSettings> again = parseLineSettings(settingsText(*settings));
    FUZZ_CHECK(again && *again == *settings);
    return 0;
}
