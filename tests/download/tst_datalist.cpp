// The data list keeps each entry's bytes and shows CR and LF inside an entry
// as visible symbols on one line.
#include "DataList.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestDataList : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void entriesKeepTheirBytes();
};

void TestDataList::entriesKeepTheirBytes()
{
    DataList list;
    const QByteArray raw = "1\r\n\xB5m\n"_ba;
    list.addEntries({"H"_ba, raw});
    QCOMPARE(list.entry(1), raw);
    QCOMPARE(list.entry(2), QByteArray());
    QCOMPARE(list.entry(-1), QByteArray());
    QCOMPARE(list.data(list.index(1), Qt::DisplayRole).toString(), u"1\u240D\u240A\u00B5m\u240A"_s);
    QVERIFY(!list.data(list.index(1), Qt::EditRole).isValid());
}

QTEST_GUILESS_MAIN(TestDataList)
#include "tst_datalist.moc"
