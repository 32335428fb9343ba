// The rules behind the serial control: the Settings text, which errors of
// the serial port end what, and the message a failed port opening gives.
#include "LineSettings.h"
#include "PortOpen.h"
#include "SerialPolicy.h"

#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(SerialStep)
Q_DECLARE_METATYPE(ErrorVerdict)
Q_DECLARE_METATYPE(LineSettings)

class TestSerialRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void settingsText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<LineSettings>("expected");
        using P = QSerialPort;
        QTest::newRow("38400,n,8,1") << u"38400,n,8,1"_s << true
                                     << LineSettings {38400, P::NoParity, P::Data8, P::OneStop};
        QTest::newRow("1200,n,7,2") << u"1200,n,7,2"_s << true
                                    << LineSettings {1200, P::NoParity, P::Data7, P::TwoStop};
        QTest::newRow("case, blanks, 1.5") << u" 4800 , E , 6 , 1.5 "_s << true
                                           << LineSettings {4800, P::EvenParity, P::Data6, P::OneAndHalfStop};
        const QString malformed[] = {u""_s, u"9600,n,8"_s, u"9600,n,8,1,"_s, u"0,n,8,1"_s, u"+9600,n,8,1"_s,
                                     u"99999999999,n,8,1"_s, u"9600,x,8,1"_s, u"9600,n,9,1"_s, u"9600,n,8,3"_s,
                                     u"9600;n;8;1"_s};
        for (const QString &text : malformed)
            QTest::addRow("refused: \"%s\"", qPrintable(text)) << text << false << LineSettings {};
    }

    void settingsText()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(LineSettings, expected);
        QString why;
        const auto parsed = parseLineSettings(text, &why);
        QCOMPARE(parsed.has_value(), valid);
        if (parsed)
            QCOMPARE(*parsed, expected);
        else
            QVERIFY(!why.isEmpty());
    }

    void errorVerdicts_data()
    {
        QTest::addColumn<SerialStep>("step");
        QTest::addColumn<QSerialPort::SerialPortError>("error");
        QTest::addColumn<ErrorVerdict>("verdict");
        using E = QSerialPort;
        using S = SerialStep;
        using V = ErrorVerdict;
        QTest::newRow("open: busy or denied") << S::Open << E::PermissionError << V::Failure;
        QTest::newRow("open: resource") << S::Open << E::ResourceError << V::Failure;
        QTest::newRow("framing: unsupported") << S::Framing << E::UnsupportedOperationError << V::Unsupported;
        QTest::newRow("signal: unsupported") << S::Signal << E::UnsupportedOperationError << V::Unsupported;
        QTest::newRow("signal: permission") << S::Signal << E::PermissionError << V::Failure;
        QTest::newRow("signal: resource") << S::Signal << E::ResourceError << V::DeviceLost;
        QTest::newRow("transfer: read error") << S::Transfer << E::ReadError << V::DeviceLost;
        QTest::newRow("transfer: node gone") << S::Transfer << E::DeviceNotFoundError << V::DeviceLost;
        QTest::newRow("transfer: write error") << S::Transfer << E::WriteError << V::Failure;
        QTest::newRow("transfer: unsupported") << S::Transfer << E::UnsupportedOperationError << V::Failure;
        QTest::newRow("transfer: timeout") << S::Transfer << E::TimeoutError << V::Failure;
        QTest::newRow("drain: timeout") << S::Drain << E::TimeoutError << V::Ignore;
        QTest::newRow("drain: read error") << S::Drain << E::ReadError << V::DeviceLost;
        QTest::newRow("no error") << S::Transfer << E::NoError << V::Ignore;
    }

    void errorVerdicts()
    {
        QFETCH(SerialStep, step);
        QFETCH(QSerialPort::SerialPortError, error);
        QFETCH(ErrorVerdict, verdict);
        QCOMPARE(classifySerialError(step, error), verdict);
    }

    void failureMessages_data()
    {
        QTest::addColumn<QSerialPort::SerialPortError>("error");
        QTest::addColumn<bool>("accessible");
        QTest::addColumn<QString>("mention");
        QTest::newRow("permission denied") << QSerialPort::PermissionError << false << u"\"dialout\""_s;
        QTest::newRow("held elsewhere") << QSerialPort::PermissionError << true << u"another program"_s;
        QTest::newRow("missing") << QSerialPort::DeviceNotFoundError << true << u"no device"_s;
    }

    void failureMessages()
    {
        QFETCH(QSerialPort::SerialPortError, error);
        QFETCH(bool, accessible);
        QFETCH(QString, mention);
        const QString message =
            portOpenFailureMessage(4, u"/opt/meridoc/ports/com4"_s, error, u"the system's reason"_s, accessible);
        for (const QString &part : {mention, u"COM 4"_s, u"/opt/meridoc/ports/com4"_s, u"the system's reason"_s})
            QVERIFY2(message.contains(part), qPrintable(message));
        QCOMPARE(message.contains(u"dialout"_s), mention.contains(u"dialout"_s));
    }
};

QTEST_GUILESS_MAIN(TestSerialRules)
#include "tst_serialrules.moc"
