// The data list and the received-text assembly built from its entries.
#include "DataList.h"
#include "ReceivedText.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using Entries = QList<QByteArray>;

class TestDataList : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void assembly_data();
    void assembly();
    void entriesKeepTheirBytes();
    void batchIsOneInsertion();
};

void TestDataList::assembly_data()
{
    QTest::addColumn<Entries>("entries");
    QTest::addColumn<QByteArray>("text");

    QTest::newRow("empty list") << Entries {} << QByteArray();
    QTest::newRow("one entry") << Entries {"H"_ba} << "\r\n"_ba;
    QTest::newRow("entry 0 left out, bare line end last")
        << Entries {"H"_ba, "1"_ba, "2"_ba} << "1\r\n2\r\n\r\n"_ba;
    QTest::newRow("bytes pass unchanged")
        << Entries {"H"_ba, "A\r\nB"_ba, "\xB5\x00m"_ba, ""_ba} << "A\r\nB\r\n\xB5\x00m\r\n\r\n\r\n"_ba;
}

void TestDataList::assembly()
{
    QFETCH(Entries, entries);
    QTEST(assembleReceivedText(entries), "text");
}

void TestDataList::entriesKeepTheirBytes()
{
    DataList list;
    const QByteArray raw = "1\r\n\xB5m\n"_ba;
    list.addEntry(raw);
    QCOMPARE(list.entry(0), raw);
    QCOMPARE(list.entry(1), QByteArray());
    QCOMPARE(list.entry(-1), QByteArray());
    QCOMPARE(list.data(list.index(0), Qt::DisplayRole).toString(), u"1\u240D\u240A\u00B5m\u240A"_s);
    QVERIFY(!list.data(list.index(0), Qt::EditRole).isValid());
}

void TestDataList::batchIsOneInsertion()
{
    DataList list;
    list.addEntry("a"_ba);
    QSignalSpy inserted(&list, &QAbstractItemModel::rowsInserted);
    list.addEntries({"b"_ba, "c"_ba, "d"_ba});
    list.addEntries({});
    QCOMPARE(inserted.size(), 1);
    QCOMPARE(inserted.at(0).at(1).toInt(), 1);
    QCOMPARE(inserted.at(0).at(2).toInt(), 3);
    QCOMPARE(list.rowCount(), 4);
    QCOMPARE(list.entries(), (Entries {"a"_ba, "b"_ba, "c"_ba, "d"_ba}));

    list.setEntries({"x"_ba});
    QCOMPARE(list.count(), 1);
    list.clear();
    QCOMPARE(list.count(), 0);
}

QTEST_GUILESS_MAIN(TestDataList)
#include "tst_datalist.moc"
