// The rule that turns the typed port entry into ComPortNumber and a port.
#include "PortEntry.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestPortDialogEntry : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void entry_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("comPortNumber");
        QTest::addColumn<int>("port");

        QTest::newRow("empty") << QString() << int(PortEntry::Empty) << QString() << 0;
        QTest::newRow("COM12") << u"COM12"_s << int(PortEntry::Port) << u"12"_s << 12;
        QTest::newRow("single digit") << u"3"_s << int(PortEntry::Port) << u"3"_s << 3;
        QTest::newRow("stored line keeps its blank") << u" 4"_s << int(PortEntry::Port) << u" 4"_s << 4;
        QTest::newRow("16 is the last port") << u"16"_s << int(PortEntry::Port) << u"16"_s << 16;
        QTest::newRow("123 is 23") << u"123"_s << int(PortEntry::AboveSixteen) << u"23"_s << 23;
        QTest::newRow("letter") << u"x"_s << int(PortEntry::Invalid) << QString() << 0;
        QTest::newRow("zero") << u"0"_s << int(PortEntry::Invalid) << QString() << 0;
        QTest::newRow("negative") << u"-3"_s << int(PortEntry::Invalid) << QString() << 0;
        QTest::newRow("fraction below one") << u".5"_s << int(PortEntry::Invalid) << QString() << 0;
        QTest::newRow("trailing blank") << u"4 "_s << int(PortEntry::Invalid) << QString() << 0;
        QTest::newRow("non-ASCII digit") << u"COM\u0663"_s << int(PortEntry::Invalid) << QString() << 0;
    }

    void entry()
    {
        QFETCH(QString, entry);
        QFETCH(int, kind);
        QFETCH(QString, comPortNumber);
        QFETCH(int, port);

        const PortEntry result = portEntryFromText(entry);
        QCOMPARE(int(result.kind), kind);
        QCOMPARE(result.comPortNumber, comPortNumber);
        QCOMPARE(result.port, port);
    }

    void captionKeepsTheTextAsTyped()
    {
        QCOMPARE(connectedCaption(u" 4"_s), u" MERIDOC / Instrument connected to COM 4"_s);
    }
};

QTEST_APPLESS_MAIN(TestPortDialogEntry)
#include "tst_portdialogentry.moc"
