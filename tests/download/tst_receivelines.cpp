// The line receiver over a real pseudo-terminal: entries however the bytes
// arrive, the ways reception ends, the progress bar, and an idle wait.
#include "CommControl.h"
#include "DataList.h"
#include "FakeHost.h"
#include "LineCutter.h"
#include "Pty.h"
#include "ReceiveLines.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <ctime>
#include <thread>
#include <unistd.h>

using namespace Qt::StringLiterals;
using Entries = QList<QByteArray>;

Q_DECLARE_METATYPE(ReceiveEnd)

namespace {

const QString Instruction = u"Start the output at the instrument"_s;
const QString Running = u"Data download from instrument is running"_s;

// One instrument on a pty, linked as COM 1 of a program folder of its own,
// and a download about to receive from it.
class Link
{
public:
    Link(const QByteArray &recordEnd, int recordEndLen, int progressMax)
        : host(folder.path())
    {
        if (!pty.linkAsCom(folder.path(), 1))
            return;
        CommControl &comm = host.comm();
        comm.setCommPort(1);
        if (!comm.setPortOpen(true) || !comm.setSettings(u"9600,n,8,1"_s))
            return;
        host.state().RecordEnd = recordEnd;
        host.state().RecordEndLen = qint16(recordEndLen);
        host.setProgressMax(progressMax);
        host.setProgressValue(0);
        host.setWarnText2(Instruction);
        ready = true;
    }

    void send(const QByteArray &bytes)
    {
        for (qsizetype done = 0; done < bytes.size();) {
            const ssize_t n = ::write(pty.masterFd(), bytes.constData() + done, size_t(bytes.size() - done));
            if (n <= 0)
                return;
            done += n;
        }
    }

    // Sends one read per pass of the receiver; presses ESC once the list
    // holds escAt entries (never when escAt is negative).
    void script(const Entries &reads, qsizetype escAt = -1)
    {
        m_reads = reads;
        host.setOnEvents([this, escAt] {
            if (m_next < m_reads.size())
                send(m_reads.at(m_next++));
            else if (escAt >= 0 && host.dataList().count() >= escAt)
                host.pressEsc();
        });
    }

    QTemporaryDir folder;
    Pty pty;
    FakeHost host;
    bool ready = false;

private:
    Entries m_reads;
    qsizetype m_next = 0;
};

double processCpuSeconds()
{
    timespec t {};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// The progress bar one line at a time, as the instrument's lines arrive.
int progressByStep(int value, int max, qsizetype entries, bool lastEnds)
{
    for (qsizetype i = 0; i < entries; ++i) {
        ++value;
        if (!(lastEnds && i == entries - 1) && value > max - 1)
            value = 0;
    }
    return value;
}

} // namespace

class TestReceiveLines : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void anySplitGivesTheSameEntries_data();
    void anySplitGivesTheSameEntries();
    void endings_data();
    void endings();
    void escBeforeDataEndsAtOnce();
    void progressWrapsWithoutLoss();
    void progressArithmetic();
    void vanishingDeviceKeepsEarlierLines();
    void linesReadJustBeforeTheLossAreKept();
    void waitingIsIdle();
    void floodIsNotSlowed();
};

void TestReceiveLines::anySplitGivesTheSameEntries_data()
{
    QTest::addColumn<QByteArray>("mark");
    QTest::addColumn<int>("cut");
    QTest::addColumn<QByteArray>("before");  // what each entry after the first starts with
    QTest::addColumn<QByteArray>("after");   // what each entry ends with

    QTest::newRow("CR LF, 2") << "\r\n"_ba << 2 << QByteArray() << QByteArray();
    QTest::newRow("CR, 1 from a CR LF instrument") << "\r"_ba << 1 << "\n"_ba << QByteArray();
    QTest::newRow("CR LF, 1") << "\r\n"_ba << 1 << QByteArray() << "\r"_ba;
}

void TestReceiveLines::anySplitGivesTheSameEntries()
{
    QFETCH(QByteArray, mark);
    QFETCH(int, cut);
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);

    Link link(mark, cut, 300);
    QVERIFY(link.ready);

    QRandomGenerator random(4711);
    const QByteArray alphabet = "0123456789. um-"_ba;
    Entries lines;
    QByteArray stream;
    for (int i = 0; i < 40; ++i) {
        QByteArray line;
        for (int n = int(random.bounded(13)); n > 0; --n)
            line += alphabet.at(random.bounded(int(alphabet.size())));
        lines.append(line);
        stream += line + "\r\n"_ba;
    }
    lines.append("End"_ba);
    stream += "End\r\nafter the end\r\n"_ba;

    Entries reads;
    for (qsizetype at = 0; at < stream.size();) {
        const qsizetype size = random.bounded(1, 8);
        reads.append(stream.mid(at, size));
        at += size;
    }
    link.script(reads);

    QCOMPARE(ReceiveLines(link.host), ReceiveEnd::EndMark);

    Entries expected;
    for (qsizetype i = 0; i < lines.size(); ++i)
        expected.append((i > 0 ? before : QByteArray()) + lines.at(i) + after);
    QCOMPARE(link.host.dataList().entries(), expected);
    QCOMPARE(link.host.progressValue(), int(expected.size()));
    QCOMPARE(link.host.warnText2History(), (QStringList {Instruction, QString(), Running}));
    const FakeHost::Controls &controls = link.host.controls();
    QVERIFY(controls.progressVisible);
    QVERIFY(!controls.warnText1Visible);
    QVERIFY(link.host.comm().portOpen());
}

void TestReceiveLines::endings_data()
{
    QTest::addColumn<Entries>("reads");
    QTest::addColumn<qsizetype>("escAt");
    QTest::addColumn<Entries>("entries");
    QTest::addColumn<ReceiveEnd>("end");

    QTest::newRow("record over two reads, then End")
        << Entries {"12.5"_ba, "0 um\r\n"_ba, "Endwert 3\r\nB\r\n"_ba} << qsizetype(-1)
        << Entries {"12.50 um"_ba, "Endwert 3"_ba} << ReceiveEnd::EndMark;
    QTest::newRow("text after the last record end is dropped at ESC")
        << Entries {"A\r\nB"_ba} << qsizetype(1)
        << Entries {"A"_ba} << ReceiveEnd::Esc;
}

void TestReceiveLines::endings()
{
    QFETCH(Entries, reads);
    QFETCH(qsizetype, escAt);

    Link link("\r\n"_ba, 2, 300);
    QVERIFY(link.ready);
    link.script(reads, escAt);
    QTEST(ReceiveLines(link.host), "end");
    QTEST(link.host.dataList().entries(), "entries");
    QVERIFY(!link.host.controls().warnText1Visible);
}

void TestReceiveLines::escBeforeDataEndsAtOnce()
{
    Link link("\r\n"_ba, 2, 300);
    QVERIFY(link.ready);
    link.send("A\r\n"_ba);
    link.host.pressEsc();

    QCOMPARE(ReceiveLines(link.host), ReceiveEnd::Esc);
    QCOMPARE(link.host.dataList().count(), 0);
    QCOMPARE(link.host.eventPasses(), 0);
    QCOMPARE(link.host.controls().warnText2, Instruction);
    QVERIFY(link.host.controls().progressVisible);
    // What waited is discarded with the end of the reception.
    QCOMPARE(link.host.comm().input(), QByteArray());
}

void TestReceiveLines::progressWrapsWithoutLoss()
{
    Link link("\r\n"_ba, 2, 5);
    QVERIFY(link.ready);
    Entries lines;
    QByteArray all;
    for (int i = 1; i <= 12; ++i) {
        lines.append(QByteArray::number(i));
        all += lines.last() + "\r\n"_ba;
    }
    // Reads that end on the wrap, across it, and with lines still waiting.
    link.script({all.left(10), all.mid(10, 9), all.mid(19)}, 12);

    QCOMPARE(ReceiveLines(link.host), ReceiveEnd::Esc);
    QCOMPARE(link.host.dataList().entries(), lines);
    QCOMPARE(link.host.progressValue(), 2);
    for (int value : link.host.progressValues())
        QVERIFY2(value >= 0 && value <= 4, qPrintable(QString::number(value)));
}

void TestReceiveLines::progressArithmetic()
{
    for (int max = -1; max <= 6; ++max)
        for (int value = -2; value <= 8; ++value)
            for (qsizetype entries = 0; entries <= 15; ++entries)
                for (bool lastEnds : {false, true}) {
                    const int expected = progressByStep(value, max, entries, lastEnds);
                    if (progressAfterEntries(value, max, entries, lastEnds) != expected)
                        QFAIL(qPrintable(u"value %1, max %2, %3 entries, lastEnds %4: expected %5"_s
                                             .arg(value).arg(max).arg(entries).arg(lastEnds).arg(expected)));
                }
}

void TestReceiveLines::vanishingDeviceKeepsEarlierLines()
{
    Link link("\r\n"_ba, 2, 300);
    QVERIFY(link.ready);
    link.host.setOnEvents([&link] {
        if (link.host.eventPasses() == 1) {
            link.send("A\r\nB\r\n"_ba);
        } else if (link.host.dataList().count() == 2 && link.pty.isOpen()) {
            link.send("C, half a li"_ba);
            link.pty.closeMaster();
        }
    });
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(ReceiveLines(link.host), ReceiveEnd::DeviceLost);
    QVERIFY(clock.elapsed() < 2000);
    QCOMPARE(link.host.dataList().entries(), (Entries {"A"_ba, "B"_ba}));
    QVERIFY(!link.host.controls().warnText1Visible);
    QVERIFY(link.host.comm().deviceLost());
}

void TestReceiveLines::linesReadJustBeforeTheLossAreKept()
{
    Link link("\r\n"_ba, 2, 300);
    QVERIFY(link.ready);
    link.host.setOnEvents([&link] {
        if (link.host.eventPasses() != 1)
            return;
        // The serial control takes the line in, then the adapter is pulled
        // before the receiver has looked at it.
        link.send("A\r\nB\r\n"_ba);
        QElapsedTimer wait;
        wait.start();
        while (link.host.comm().bytesWaiting() < 6 && wait.elapsed() < 2000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        link.pty.closeMaster();
        while (!link.host.comm().deviceLost() && wait.elapsed() < 2000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    });
    QCOMPARE(ReceiveLines(link.host), ReceiveEnd::DeviceLost);
    QCOMPARE(link.host.dataList().entries(), (Entries {"A"_ba, "B"_ba}));
}

void TestReceiveLines::waitingIsIdle()
{
    Link link("\r\n"_ba, 2, 300);
    QVERIFY(link.ready);
    QElapsedTimer clock;
    link.host.setOnEvents([&] {
        if (clock.elapsed() >= 1000)
            link.host.pressEsc();
    });
    const double cpuBefore = processCpuSeconds();
    clock.start();
    QCOMPARE(ReceiveLines(link.host), ReceiveEnd::Esc);
    const double cpu = processCpuSeconds() - cpuBefore;
    QVERIFY2(cpu < 0.1, qPrintable(u"%1 s of CPU in %2 ms of waiting"_s.arg(cpu).arg(clock.elapsed())));
    QCOMPARE(link.host.controls().warnText2, Instruction);
}

void TestReceiveLines::floodIsNotSlowed()
{
    // Far more than any instrument sends; a receiver that sleeps while bytes
    // wait, or re-reads what it has seen, takes many seconds here.
    constexpr int LineCount = 100000;
    Link link("\r\n"_ba, 2, 300);
    QVERIFY(link.ready);
    QByteArray flood;
    for (int i = 0; i < LineCount; ++i)
        flood += QByteArray::number(i).rightJustified(8, '0') + "    10.37 um\r\n"_ba;
    flood += "End\r\n"_ba;

    QElapsedTimer clock;
    clock.start();
    std::thread instrument([&link, &flood] { link.send(flood); });
    const ReceiveEnd end = ReceiveLines(link.host);
    instrument.join();
    const qint64 ms = clock.elapsed();

    QCOMPARE(end, ReceiveEnd::EndMark);
    const Entries &entries = link.host.dataList().entries();
    QCOMPARE(entries.size(), qsizetype(LineCount + 1));
    QCOMPARE(entries.at(54321), "00054321    10.37 um"_ba);
    QVERIFY2(ms < 3000, qPrintable(u"%1 lines took %2 ms"_s.arg(LineCount).arg(ms)));
    qInfo("%d lines in %lld ms", LineCount, ms);
}

QTEST_GUILESS_MAIN(TestReceiveLines)
#include "tst_receivelines.moc"
