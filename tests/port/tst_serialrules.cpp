// The rules behind the serial control: the Settings text, which errors of
// the serial port end what, and the message a failed port opening gives.
#include "LineSettings.h"
#include "PortOpen.h"
#include "SerialPolicy.h"

#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(SerialStep)
Q_DECLARE_METATYPE(ErrorVerdict)

class TestSerialRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void wellFormedSettings_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("baud");
        QTest::addColumn<QSerialPort::Parity>("parity");
        QTest::addColumn<QSerialPort::DataBits>("data");
        QTest::addColumn<QSerialPort::StopBits>("stop");
        QTest::newRow("38400,n,8,1") << u"38400,n,8,1"_s << 38400 << QSerialPort::NoParity << QSerialPort::Data8
                                     << QSerialPort::OneStop;
        QTest::newRow("9600,n,8,1") << u"9600,n,8,1"_s << 9600 << QSerialPort::NoParity << QSerialPort::Data8
                                    << QSerialPort::OneStop;
        QTest::newRow("1200,n,8,1") << u"1200,n,8,1"_s << 1200 << QSerialPort::NoParity << QSerialPort::Data8
                                    << QSerialPort::OneStop;
        QTest::newRow("1200,n,7,2") << u"1200,n,7,2"_s << 1200 << QSerialPort::NoParity << QSerialPort::Data7
                                    << QSerialPort::TwoStop;
        QTest::newRow("upper case, 1.5 stop") << u"4800,E,6,1.5"_s << 4800 << QSerialPort::EvenParity
                                              << QSerialPort::Data6 << QSerialPort::OneAndHalfStop;
        QTest::newRow("blanks around fields") << u" 19200 , o , 5 , 2 "_s << 19200 << QSerialPort::OddParity
                                              << QSerialPort::Data5 << QSerialPort::TwoStop;
        QTest::newRow("mark") << u"300,m,8,1"_s << 300 << QSerialPort::MarkParity << QSerialPort::Data8
                              << QSerialPort::OneStop;
        QTest::newRow("space") << u"300,s,8,1"_s << 300 << QSerialPort::SpaceParity << QSerialPort::Data8
                               << QSerialPort::OneStop;
    }

    void wellFormedSettings()
    {
        QFETCH(QString, text);
        QFETCH(int, baud);
        QFETCH(QSerialPort::Parity, parity);
        QFETCH(QSerialPort::DataBits, data);
        QFETCH(QSerialPort::StopBits, stop);
        const auto parsed = parseLineSettings(text);
        QVERIFY(parsed);
        QCOMPARE(*parsed, (LineSettings {baud, parity, data, stop}));
    }

    void malformedSettingsAreRefused_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString();
        QTest::newRow("three fields") << u"9600,n,8"_s;
        QTest::newRow("five fields") << u"9600,n,8,1,"_s;
        QTest::newRow("zero baud") << u"0,n,8,1"_s;
        QTest::newRow("negative baud") << u"-9600,n,8,1"_s;
        QTest::newRow("signed baud") << u"+9600,n,8,1"_s;
        QTest::newRow("baud too big") << u"99999999999,n,8,1"_s;
        QTest::newRow("letters in baud") << u"96oo,n,8,1"_s;
        QTest::newRow("unknown parity") << u"9600,x,8,1"_s;
        QTest::newRow("parity word") << u"9600,none,8,1"_s;
        QTest::newRow("9 data bits") << u"9600,n,9,1"_s;
        QTest::newRow("4 data bits") << u"9600,n,4,1"_s;
        QTest::newRow("3 stop bits") << u"9600,n,8,3"_s;
        QTest::newRow("semicolons") << u"9600;n;8;1"_s;
        QTest::newRow("empty field") << u"9600,,8,1"_s;
    }

    void malformedSettingsAreRefused()
    {
        QFETCH(QString, text);
        QString why;
        QVERIFY(!parseLineSettings(text, &why));
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
        const S all[] = {S::Open, S::Framing, S::Signal, S::Transfer, S::Drain};
        for (S s : all)
            QTest::addRow("no error, step %d", int(s)) << s << E::NoError << V::Ignore;

        QTest::newRow("open: missing device") << S::Open << E::DeviceNotFoundError << V::Failure;
        QTest::newRow("open: busy or denied") << S::Open << E::PermissionError << V::Failure;
        QTest::newRow("open: resource") << S::Open << E::ResourceError << V::Failure;
        QTest::newRow("open: unsupported") << S::Open << E::UnsupportedOperationError << V::Failure;

        QTest::newRow("framing: unsupported") << S::Framing << E::UnsupportedOperationError << V::Unsupported;
        QTest::newRow("signal: unsupported") << S::Signal << E::UnsupportedOperationError << V::Unsupported;
        QTest::newRow("framing: unknown") << S::Framing << E::UnknownError << V::Failure;
        QTest::newRow("signal: permission") << S::Signal << E::PermissionError << V::Failure;
        QTest::newRow("signal: resource") << S::Signal << E::ResourceError << V::DeviceLost;

        QTest::newRow("transfer: read error") << S::Transfer << E::ReadError << V::DeviceLost;
        QTest::newRow("transfer: resource") << S::Transfer << E::ResourceError << V::DeviceLost;
        QTest::newRow("transfer: node gone") << S::Transfer << E::DeviceNotFoundError << V::DeviceLost;
        QTest::newRow("transfer: write error") << S::Transfer << E::WriteError << V::Failure;
        QTest::newRow("transfer: unsupported") << S::Transfer << E::UnsupportedOperationError << V::Failure;
        QTest::newRow("transfer: timeout") << S::Transfer << E::TimeoutError << V::Failure;

        QTest::newRow("drain: timeout") << S::Drain << E::TimeoutError << V::Ignore;
        QTest::newRow("drain: read error") << S::Drain << E::ReadError << V::DeviceLost;
        QTest::newRow("drain: write error") << S::Drain << E::WriteError << V::Failure;
    }

    void errorVerdicts()
    {
        QFETCH(SerialStep, step);
        QFETCH(QSerialPort::SerialPortError, error);
        QFETCH(ErrorVerdict, verdict);
        QCOMPARE(classifySerialError(step, error), verdict);
    }

    void lostOutweighsFailureOutweighsUnsupported()
    {
        using V = ErrorVerdict;
        QCOMPARE(worseVerdict(V::Failure, V::DeviceLost), V::DeviceLost);
        QCOMPARE(worseVerdict(V::DeviceLost, V::Unsupported), V::DeviceLost);
        QCOMPARE(worseVerdict(V::Unsupported, V::Failure), V::Failure);
        QCOMPARE(worseVerdict(V::Ignore, V::Unsupported), V::Unsupported);
    }

    void failureMessages_data()
    {
        QTest::addColumn<QSerialPort::SerialPortError>("error");
        QTest::addColumn<bool>("accessible");
        QTest::addColumn<QStringList>("mentions");
        QTest::newRow("permission denied") << QSerialPort::PermissionError << false
                                           << QStringList {u"dialout"_s, u"denied"_s};
        QTest::newRow("held by another program") << QSerialPort::PermissionError << true
                                                 << QStringList {u"another program"_s};
        QTest::newRow("missing") << QSerialPort::DeviceNotFoundError << true << QStringList {u"no device"_s};
        QTest::newRow("other") << QSerialPort::UnknownError << true << QStringList {};
    }

    void failureMessages()
    {
        QFETCH(QSerialPort::SerialPortError, error);
        QFETCH(bool, accessible);
        QFETCH(QStringList, mentions);
        const QString message =
            portOpenFailureMessage(4, u"/opt/meridoc/ports/com4"_s, error, u"the system's reason"_s, accessible);
        QStringList all = mentions;
        all << u"COM 4"_s << u"/opt/meridoc/ports/com4"_s << u"the system's reason"_s;
        for (const QString &mention : all)
            QVERIFY2(message.contains(mention), qPrintable(message));
        if (!mentions.contains(u"dialout"_s))
            QVERIFY(!message.contains(u"dialout"_s));
    }
};

QTEST_GUILESS_MAIN(TestSerialRules)
#include "tst_serialrules.moc"
