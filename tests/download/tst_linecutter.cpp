// The line cutter: records at the record end, the noise filter, "End", the
// line cap, and the same entries however the bytes are split into reads.
#include "LineCutter.h"

#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;
using Chunks = QList<QByteArray>;

namespace {

// The cutting rule applied to the whole stream at once, written as plainly
// as possible: what any split of the stream into reads must give.
Chunks cutWhole(const QByteArray &stream, const QByteArray &mark, int cut, qsizetype maxLine, QByteArray *rest)
{
    Chunks entries;
    qsizetype start = 0;
    for (;;) {
        const qsizetype found = mark.isEmpty() ? -1 : stream.indexOf(mark, start);
        const qsizetype stop = found < 0 ? -1 : found + mark.size();
        QByteArray record;
        if (stop >= 0 && stop - start <= maxLine) {
            record = stream.mid(start, stop - start);
            entries.append(record.left(record.size() - std::clamp<qsizetype>(cut, 0, record.size())));
        } else if (stream.size() - start >= maxLine) {
            record = stream.mid(start, maxLine);
            entries.append(record);
        } else {
            *rest = stream.mid(start);
            return entries;
        }
        start += record.size();
        if (record.contains("End")) {
            rest->clear();
            return entries;
        }
    }
}

} // namespace

class TestLineCutter : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cuts_data();
    void cuts();
    void anySplitGivesTheSameEntries_data();
    void anySplitGivesTheSameEntries();
};

void TestLineCutter::cuts_data()
{
    QTest::addColumn<QByteArray>("mark");
    QTest::addColumn<int>("cut");
    QTest::addColumn<qsizetype>("maxLine");
    QTest::addColumn<Chunks>("reads");
    QTest::addColumn<Chunks>("entries");
    QTest::addColumn<QByteArray>("pending");
    QTest::addColumn<bool>("ended");

    const auto row = [](const char *name, const QByteArray &mark, int cut, qsizetype maxLine, const Chunks &reads,
                        const Chunks &entries, const QByteArray &pending = {}, bool ended = false) {
        QTest::newRow(name) << mark << cut << maxLine << reads << entries << pending << ended;
    };
    const QByteArray crlf = "\r\n"_ba;
    const qsizetype big = LineCutter::DefaultMaxLine;

    row("CR records from a CR LF instrument", "\r"_ba, 1, big, {"A\r\nB\r\n"_ba}, {"A"_ba, "\nB"_ba}, "\n"_ba);
    row("cut clamped to the record", "\r"_ba, 3, big, {"A\rBCDE\r"_ba}, {""_ba, "BC"_ba});
    row("negative cut keeps the record", crlf, -1, big, {"A\r\n"_ba}, {"A\r\n"_ba});
    row("noise reads dropped whole", crlf, 2, big, {"A"_ba, "\xB5X\r\n"_ba, "\x7f\r\n"_ba, "B\r\n"_ba}, {"AB"_ba});
    row("high bytes inside a read are data", crlf, 2, big, {"3 \xB5m\r\n\xFF\r\n"_ba}, {"3 \xB5m"_ba, "\xFF"_ba});
    row("End ends, the rest is dropped", crlf, 2, big, {"A\r\nxEndwert 3\r\nB\r\n"_ba, "C\r\n"_ba},
        {"A"_ba, "xEndwert 3"_ba}, {}, true);
    row("lower-case end is data", crlf, 2, big, {"end\r\nA End"_ba}, {"end"_ba}, "A End"_ba);
    row("mark across the cap", crlf, 2, 4, {"ABC\r\nD\r\n"_ba}, {"ABC\r"_ba, "\nD"_ba});
    row("empty mark never closes", QByteArray(), 2, 3, {"AB"_ba, "\r\nC"_ba}, {"AB\r"_ba}, "\nC"_ba);
}

void TestLineCutter::cuts()
{
    QFETCH(QByteArray, mark);
    QFETCH(int, cut);
    QFETCH(qsizetype, maxLine);
    QFETCH(Chunks, reads);

    LineCutter cutter(mark, cut, maxLine);
    Chunks entries;
    for (const QByteArray &read : std::as_const(reads))
        cutter.feed(read, entries);
    QTEST(entries, "entries");
    QTEST(cutter.pending(), "pending");
    QTEST(cutter.ended(), "ended");
}

void TestLineCutter::anySplitGivesTheSameEntries_data()
{
    QTest::addColumn<QByteArray>("mark");
    QTest::addColumn<int>("cut");
    QTest::addColumn<qsizetype>("maxLine");

    QTest::newRow("CR LF, 2") << "\r\n"_ba << 2 << LineCutter::DefaultMaxLine;
    QTest::newRow("CR, 1") << "\r"_ba << 1 << LineCutter::DefaultMaxLine;
    QTest::newRow("CR LF, 1") << "\r\n"_ba << 1 << LineCutter::DefaultMaxLine;
    QTest::newRow("CR LF, 2, cap 7") << "\r\n"_ba << 2 << qsizetype(7);
    QTest::newRow("CR, 1, cap 5") << "\r"_ba << 1 << qsizetype(5);
    QTest::newRow("CR LF, 1, cap 3") << "\r\n"_ba << 1 << qsizetype(3);
}

void TestLineCutter::anySplitGivesTheSameEntries()
{
    QFETCH(QByteArray, mark);
    QFETCH(int, cut);
    QFETCH(qsizetype, maxLine);

    // Pieces that make lone CRs and LFs, marks, long lines and now and then "End".
    const QByteArray pieces[] = {"x"_ba, "12.5 um"_ba, "\r"_ba, "\n"_ba, "\r\n"_ba, "\r\n"_ba, "ABCDEFGHIJ"_ba, "En"_ba, "d"_ba};
    QRandomGenerator random(20240611);
    for (int round = 0; round < 300; ++round) {
        QByteArray stream;
        const int pieceCount = int(random.bounded(1, 60));
        for (int i = 0; i < pieceCount; ++i)
            stream += pieces[random.bounded(int(std::size(pieces)))];

        QByteArray rest;
        const Chunks expected = cutWhole(stream, mark, cut, maxLine, &rest);

        LineCutter cutter(mark, cut, maxLine);
        Chunks entries;
        for (qsizetype at = 0; at < stream.size();) {
            const qsizetype size = random.bounded(8) == 0 ? stream.size() : random.bounded(1, 6);
            cutter.feed(stream.mid(at, size), entries);
            at += size;
        }
        QCOMPARE(entries, expected);
        QCOMPARE(cutter.pending(), rest);
    }
}

QTEST_APPLESS_MAIN(TestLineCutter)
#include "tst_linecutter.moc"
