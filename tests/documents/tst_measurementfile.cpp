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
    QTest::newRow("record end leftovers not printed")
            << "A\r\r\n\n12.5\r\n"_ba << top + Entries{"A"_ba, "12.5"_ba, ""_ba};
}

void TestMeasurementFile::printedLines()
{
    QFETCH(QByteArray, text);
    QFETCH(Entries, lines);

    QCOMPARE(::printedLines(text), lines);
}

QTEST_APPLESS_MAIN(TestMeasurementFile)
#include "tst_measurementfile.moc"
