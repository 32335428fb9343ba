// Port.txt as the main window and the port dialog read it and as it is
// written, the ComPortNumber text as a 16-bit number, and where COM n leads.
#include "PortFile.h"
#include "PortNumber.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestPortFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void mainWindowReading_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("number");
        QTest::newRow("stored form") << " 3"_ba << u"3"_s;
        QTest::newRow("digits then letters") << "12abc"_ba << u"12"_s;
        QTest::newRow("begins with COM") << "COM3"_ba << u"0"_s;
        QTest::newRow("empty line") << ""_ba << u"0"_s;
        QTest::newRow("blanks and tab inside") << " \t1 2 "_ba << u"12"_s;
        QTest::newRow("leading zeros") << "007"_ba << u"7"_s;
        QTest::newRow("negative, blank after sign") << "- 5"_ba << u"-5"_s;
        QTest::newRow("minus zero") << "-0"_ba << u"0"_s;
        QTest::newRow("big") << "70000"_ba << u"70000"_s;
        QTest::newRow("fraction") << "3.50x"_ba << u"3.5"_s;
        QTest::newRow("second point ends") << "1.2.3"_ba << u"1.2"_s;
        QTest::newRow("binary garbage") << "\x00\xff\x01 3"_ba << u"0"_s;
    }

    void mainWindowReading()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, number);
        QCOMPARE(portNumberFromFirstLine(line), number);
    }

    void hugeLineStaysCheap()
    {
        const QString digits = portNumberFromFirstLine(QByteArray(10 * 1024 * 1024, '7'));
        QVERIFY(digits.size() <= 1024 && digits.startsWith(u"777"_s));
    }

    void linesOfTheFile_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("hasLine");
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QString>("lastNonEmpty");
        QTest::newRow("stored form") << " 3\r\n"_ba << true << " 3"_ba << u" 3"_s;
        QTest::newRow("zero length") << ""_ba << false << ""_ba << QString();
        QTest::newRow("only CR LF") << "\r\n"_ba << true << ""_ba << QString();
        QTest::newRow("several lines") << " 3\r\n 5\r\n\r\n"_ba << true << " 3"_ba << u" 5"_s;
        QTest::newRow("mixed ends") << "1\r\n2\n3\r\r\n"_ba << true << "1"_ba << u"3"_s;
        QTest::newRow("blank line counts") << " 6\r\n \r\n"_ba << true << " 6"_ba << u" "_s;
        QTest::newRow("binary") << "\x00\xfe\r\n\xff"_ba << true << "\x00\xfe"_ba << u"\u00ff"_s;
    }

    void linesOfTheFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, hasLine);
        QFETCH(QByteArray, first);
        QFETCH(QString, lastNonEmpty);
        const auto line = firstLine(content);
        QCOMPARE(line.has_value(), hasLine);
        if (line)
            QCOMPARE(*line, first);
        QCOMPARE(lastNonEmptyLine(content), lastNonEmpty);
    }

    void storedFormReadsBack()
    {
        QCOMPARE(formatPortFile(7), "\x20\x37\x0d\x0a"_ba);
        QCOMPARE(formatPortFile(12), "\x20\x31\x32\x0d\x0a"_ba);
        QCOMPARE(formatPortFile(-5), "-5\r\n"_ba);
        for (int port : {0, 3, 16, -5})
            QCOMPARE(portNumberFromFirstLine(*firstLine(formatPortFile(port))), QString::number(port));
    }

    void numberTextAsCommPort_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("port");
        QTest::addColumn<bool>("valid");
        QTest::newRow("blanks around") << u"  12 "_s << 12 << true;
        QTest::newRow("half to even, down") << u"2.5"_s << 2 << true;
        QTest::newRow("half to even, up") << u"3.5"_s << 4 << true;
        QTest::newRow("above half") << u"2.51"_s << 3 << true;
        QTest::newRow("negative half") << u"-2.5"_s << -2 << true;
        QTest::newRow("limits") << u"-32768"_s << -32768 << true;
        QTest::newRow("rounds out of range") << u"32767.5"_s << 0 << false;
        QTest::newRow("very long") << QString(5000, u'9') << 0 << false;
        QTest::newRow("long leading zeros") << QString(5000, u'0') + u"5"_s << 5 << true;
        QTest::newRow("empty") << QString() << 0 << false;
        QTest::newRow("letters") << u"COM3"_s << 0 << false;
        QTest::newRow("trailing letters") << u"3a"_s << 0 << false;
        QTest::newRow("blank inside") << u"1 2"_s << 0 << false;
        QTest::newRow("point alone") << u"."_s << 0 << false;
    }

    void numberTextAsCommPort()
    {
        QFETCH(QString, text);
        QFETCH(int, port);
        QFETCH(bool, valid);
        const auto number = portNumberFromText(text);
        QCOMPARE(number.has_value(), valid);
        if (valid)
            QCOMPARE(int(*number), port);
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

QTEST_GUILESS_MAIN(TestPortFile)
#include "tst_portfile.moc"
