#include "ByteText.h"
#include "Flood.h"
#include "SimOptions.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestSimData : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void floodLines_data();
    void floodLines();
    void floodSourceInAnyPieces();
    void floodCheckFindsFaults_data();
    void floodCheckFindsFaults();
    void escapedBytes();
    void options_data();
    void options();
};

void TestSimData::floodLines_data()
{
    QTest::addColumn<qint64>("number");
    QTest::addColumn<int>("length");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("typical") << qint64(1) << 20 << "00000001    10.37 um"_ba;
    QTest::newRow("exact fit") << qint64(27) << 17 << "00000027 19.99 um"_ba;
    QTest::newRow("reading cut") << qint64(2) << 12 << "00000002 10."_ba;
    QTest::newRow("digits only") << qint64(3) << 4 << "00000003"_ba;
    QTest::newRow("nine digits") << qint64(123456789) << 20 << "123456789   11.93 um"_ba;
}

void TestSimData::floodLines()
{
    QFETCH(qint64, number);
    QFETCH(int, length);
    QFETCH(QByteArray, line);
    QCOMPARE(floodLine(number, length), line);
}

// However the sender takes the flood apart, the pieces make the same lines,
// and totalBytes knows their size in advance.
void TestSimData::floodSourceInAnyPieces()
{
    QByteArray whole;
    for (qint64 n = 1; n <= 100; ++n)
        whole += floodLine(n, 10) + '\r';
    whole += "End\r";
    for (qint64 piece : {1, 7, 11, 1000}) {
        FloodSource source(100, 10, "\r"_ba, true);
        QCOMPARE(source.totalBytes(), whole.size());
        QByteArray got;
        while (!source.atEnd())
            got += source.take(piece);
        QCOMPARE(got, whole);
    }
    FloodSource noEnd(5, 20, "\r\n"_ba, false);
    const QByteArray lines = noEnd.take(1000);
    QVERIFY(noEnd.atEnd());
    QVERIFY(!lines.contains("End"));
    QCOMPARE(lines.size(), 5 * 22);
    QCOMPARE(noEnd.totalBytes(), 5 * 22);
}

void TestSimData::floodCheckFindsFaults_data()
{
    QTest::addColumn<QList<QByteArray>>("lines");
    QTest::addColumn<qint64>("missing");
    QTest::addColumn<qint64>("firstMissing");
    QTest::addColumn<qint64>("duplicated");
    QTest::addColumn<qint64>("outOfOrder");
    QTest::addColumn<qint64>("damaged");
    auto line = [](qint64 n) { return floodLine(n, 20); };
    QTest::newRow("complete with End") << QList<QByteArray>{line(1), line(2), line(3), "End"_ba}
                                       << 0LL << 0LL << 0LL << 0LL << 0LL;
    QTest::newRow("lost line") << QList<QByteArray>{line(1), line(3)} << 1LL << 2LL << 0LL << 1LL << 0LL;
    QTest::newRow("doubled line") << QList<QByteArray>{line(1), line(2), line(2), line(3)}
                                  << 0LL << 0LL << 1LL << 1LL << 0LL;
    QTest::newRow("damaged and cut") << QList<QByteArray>{line(1), line(2).left(15), "End"_ba, line(3)}
                                     << 1LL << 2LL << 0LL << 1LL << 2LL;
    QTest::newRow("nothing") << QList<QByteArray>{} << 3LL << 1LL << 0LL << 0LL << 0LL;
}

void TestSimData::floodCheckFindsFaults()
{
    QFETCH(QList<QByteArray>, lines);
    const FloodCheck check = checkFlood(lines, 3, 20);
    QTEST(check.missing, "missing");
    QTEST(check.firstMissing, "firstMissing");
    QTEST(check.duplicated, "duplicated");
    QTEST(check.outOfOrder, "outOfOrder");
    QTEST(check.damaged, "damaged");
    QCOMPARE(check.complete(), check.missing + check.duplicated + check.outOfOrder + check.damaged == 0);
}

void TestSimData::escapedBytes()
{
    QCOMPARE(::escapedBytes("$qura1\n\r"_ba), "$qura1\\n\\r"_ba);
    QCOMPARE(::escapedBytes("a\\b\t\x13\x7f\xe4"_ba), "a\\\\b\\t\\x13\\x7f\\xe4"_ba);
    QCOMPARE(::escapedBytes(QByteArray("\0T4", 3)), "\\x00T4"_ba);
}

void TestSimData::options_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("error");  // a part of the message; empty: accepted
    QTest::newRow("minimal") << QStringList{u"--family"_s, u"ORVIK"_s} << QString();
    QTest::newRow("everything") << QStringList{u"--family=fennix"_s, u"--com=16"_s, u"--split=7"_s,
                                               u"--baud=38400"_s, u"--pause-ms=0"_s,
                                               u"--drop-after=100"_s, u"--lines=1000000"_s,
                                               u"--line-length=20"_s, u"--no-end"_s, u"--repeat"_s}
                                << QString();
    QTest::newRow("no family") << QStringList{} << u"--family"_s;
    QTest::newRow("unknown family") << QStringList{u"--family=orvic"_s} << u"orvic"_s;
    QTest::newRow("com 0") << QStringList{u"--family=qfu"_s, u"--com=0"_s} << u"--com"_s;
    QTest::newRow("com 17") << QStringList{u"--family=qfu"_s, u"--com=17"_s} << u"--com"_s;
    QTest::newRow("baud text") << QStringList{u"--family=qfu"_s, u"--baud=fast"_s} << u"--baud"_s;
    QTest::newRow("seed too big") << QStringList{u"--family=qfu"_s, u"--split=4294967296"_s}
                                  << u"too large"_s;
    QTest::newRow("data and flood") << QStringList{u"--family=qfu"_s, u"--data=x"_s, u"--lines=5"_s}
                                    << u"not both"_s;
    QTest::newRow("stray argument") << QStringList{u"--family=qfu"_s, u"extra"_s} << u"extra"_s;
}

void TestSimData::options()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, error);
    arguments.prepend(u"meridoc-sim"_s);
    const ParsedOptions parsed = parseSimOptions(arguments, u"/opt/meridoc"_s);
    if (!error.isEmpty()) {
        QVERIFY(!parsed.options);
        QVERIFY2(parsed.error.contains(error), qPrintable(parsed.error));
        return;
    }
    QVERIFY2(parsed.options, qPrintable(parsed.error));
    QCOMPARE(parsed.options->folder, u"/opt/meridoc"_s);
}

QTEST_GUILESS_MAIN(TestSimData)
#include "tst_simdata.moc"
