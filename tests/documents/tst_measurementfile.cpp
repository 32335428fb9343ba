// Entries read from a file stand on their own, and the lines of a printed page.
#include "MeasurementFile.h"
#include "PrintedText.h"

#include <QTest>

using namespace Qt::StringLiterals;

using Entries = QList<QByteArray>;

class TestMeasurementFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void entriesAreIndependentOfEachOther();
    void printedLines_data();
    void printedLines();
};

void TestMeasurementFile::entriesAreIndependentOfEachOther()
{
    const QByteArray file = "one\r\ntwo\rthree"_ba;
    Entries entries = measurementFileEntries(file);
    QCOMPARE(file, "one\r\ntwo\rthree"_ba);

    // Each entry is terminated where its text ends, as C strings need.
    for (const QByteArray &entry : std::as_const(entries))
        QCOMPARE(entry.constData()[entry.size()], '\0');

    entries[0].append("!!"_ba);
    entries[1][0] = 'T';
    QCOMPARE(entries, (Entries{"one!!"_ba, "Two"_ba, "three"_ba}));

    // The last entry left over owns the whole buffer and may grow in place.
    QByteArray last = entries[2];
    entries.clear();
    last.append("\r\nmore"_ba);
    QCOMPARE(last, "three\r\nmore"_ba);
}

void TestMeasurementFile::printedLines_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<Entries>("lines");

    const Entries top(4, " "_ba);
    QTest::newRow("empty list") << QByteArray() << top + Entries{""_ba};
    QTest::newRow("entry with a line break")
            << "A\r\nB\r\n\r\n"_ba << top + Entries{"A"_ba, "B"_ba, ""_ba, ""_ba};
    // A file with LF line ends opens as one entry.
    QTest::newRow("lone LF inside an entry breaks the line")
            << "10.1 um\n10.2 um\n10.3 um\r\n\r\n"_ba
            << top + Entries{"10.1 um"_ba, "10.2 um"_ba, "10.3 um"_ba, ""_ba, ""_ba};
    QTest::newRow("lone CR inside an entry breaks the line")
            << "A\rB\r\n\r\n"_ba << top + Entries{"A"_ba, "B"_ba, ""_ba, ""_ba};
    QTest::newRow("entry starting with a leftover LF")
            << "\n12.5\r\n"_ba << top + Entries{""_ba, "12.5"_ba, ""_ba};
    // Radio entries keep the CR of their record end; a last LF is one too.
    QTest::newRow("record end leftover at an entry's end prints nothing")
            << "12.5\r\r\n13.0\r\r\n10.1\n10.2\n\r\n\r\n"_ba
            << top + Entries{"12.5"_ba, "13.0"_ba, "10.1"_ba, "10.2"_ba, ""_ba, ""_ba};
    QTest::newRow("only the last of two line ends is a leftover")
            << "A\r\r\r\nB\n\n\r\n"_ba << top + Entries{"A"_ba, ""_ba, "B"_ba, ""_ba, ""_ba};
}

void TestMeasurementFile::printedLines()
{
    QFETCH(QByteArray, text);
    QFETCH(Entries, lines);

    QCOMPARE(::printedLines(text), lines);
}

QTEST_APPLESS_MAIN(TestMeasurementFile)
#include "tst_measurementfile.moc"
