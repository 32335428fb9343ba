// The rules behind the serial control: the Settings text, the message a
// denied port gives, and where COM n leads.
#include "LineSettings.h"
#include "PortNumber.h"
#include "PortOpen.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

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

    // A busy or a missing port is told through the whole program; a port the
    // user may not open needs the group that grants it named.
    void deniedPortNamesTheGroup()
    {
        const QString message = portOpenFailureMessage(4, u"/opt/meridoc/ports/com4"_s, QSerialPort::PermissionError,
                                                       u"the system's reason"_s, false);
        for (const QString &part : {u"\"dialout\""_s, u"COM 4"_s, u"/opt/meridoc/ports/com4"_s,
                                    u"the system's reason"_s})
            QVERIFY2(message.contains(part), qPrintable(message));
    }

    void whereComNLeads()
    {
        QTemporaryDir dir;
        const QString ports = dir.path() + u"/ports"_s;
        QVERIFY(QDir().mkpath(ports));
        QVERIFY(QFile::link(u"/dev/null"_s, ports + u"/com2"_s));
        QVERIFY(QFile::link(dir.path() + u"/unplugged"_s, ports + u"/com4"_s));
        QVERIFY(QFile::link(u"/dev/null"_s, ports + u"/COM6"_s));

        QCOMPARE(comDevicePath(2, dir.path()), ports + u"/com2"_s);
        // An adapter that is unplugged right now still means that port.
        QCOMPARE(comDevicePath(4, dir.path()), ports + u"/com4"_s);
        QCOMPARE(comDevicePath(6, dir.path()), u"/dev/ttyS5"_s);
        QCOMPARE(comDevicePath(16, dir.path()), u"/dev/ttyS15"_s);
        QCOMPARE(comDevicePath(0, dir.path()), QString());
        QCOMPARE(comDevicePath(17, dir.path()), QString());
    }
};

QTEST_GUILESS_MAIN(TestSerialRules)
#include "tst_serialrules.moc"
