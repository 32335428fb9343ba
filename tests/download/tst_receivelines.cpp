// The line receiver over a real pseudo-terminal: the ways reception ends (ESC,
// a device lost), the progress bar's wrap without loss, an idle wait, and
// lines that trickle in as a paced instrument sends them.
#include "CommControl.h"
#include "DataList.h"
#include "FakeHost.h"
#include "LineCutter.h"
#include "ProcessUsage.h"
#include "Pty.h"
#include "ReceiveLines.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <QTimer>

#include <algorithm>
#include <atomic>
#include <ctime>
#include <thread>
#include <unistd.h>

using namespace Qt::StringLiterals;
using Entries = QList<QByteArray>;

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

// An instrument on its own thread and clock: 40 bytes every 10 ms, as one at
// 38400 baud hands its stored lines to the driver, until all are out or
// stop() is called.
class PacedInstrument
{
public:
    PacedInstrument(int fd, QByteArray bytes)
        : m_thread([this, fd, bytes = std::move(bytes)] { run(fd, bytes); })
    {
    }
    ~PacedInstrument() { stop(); }
    // Waits until every byte is out.
    void finish()
    {
        if (m_thread.joinable())
            m_thread.join();
    }
    void stop()
    {
        m_stop = true;
        finish();
    }

private:
    void run(int fd, const QByteArray &bytes)
    {
        timespec next {};
        ::clock_gettime(CLOCK_MONOTONIC, &next);
        for (qsizetype done = 0; done < bytes.size() && !m_stop;) {
            const ssize_t n = ::write(fd, bytes.constData() + done, size_t(std::min<qsizetype>(40, bytes.size() - done)));
            if (n <= 0)
                return;
            done += n;
            next.tv_nsec += 10'000'000;
            if (next.tv_nsec >= 1'000'000'000) {
                next.tv_nsec -= 1'000'000'000;
                ++next.tv_sec;
            }
            ::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
        }
    }

    std::atomic<bool> m_stop {false};
    std::thread m_thread;
};

// Lines "line 001 ........." of 18 bytes, each closed by CR LF.
QByteArray numberedLines(int count, Entries *lines)
{
    QByteArray all;
    for (int i = 1; i <= count; ++i) {
        const QByteArray line = "line "_ba + QByteArray::number(i).rightJustified(3, '0') + " ........."_ba;
        lines->append(line);
        all += line + "\r\n"_ba;
    }
    return all;
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
    void progressWrapsWithoutLoss();
    void progressArithmetic();
    void linesReadJustBeforeTheLossAreKept();
    void waitingIsIdle();
    void tricklingLinesAreTakenInBatches();
    void escIsAnsweredWhileLinesTrickleIn();
    void aFastLineIsNotHeldBack();
};

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
    // Reads that end on the wrap, across it, and with lines still waiting;
    // a line without its record end at ESC is dropped.
    link.script({all.left(10), all.mid(10, 9), all.mid(19), "13"_ba}, 12);

    QCOMPARE(ReceiveLines(link.host), ReceiveEnd::Esc);
    QCOMPARE(link.host.dataList().entries(), lines);
    QVERIFY(!link.host.controls().warnText1Visible);
    QCOMPARE(link.host.warnText2History(), (QStringList {Instruction, QString(), Running}));
    QCOMPARE(link.host.progressValue(), 2);
    for (int value : link.host.progressValues())
        QVERIFY2(value >= 0 && value <= 4, qPrintable(QString::number(value)));
    // The count of lines does not wrap with the bar: from 0 up to all of them.
    const QList<qsizetype> counts = link.host.receivedCounts();
    QVERIFY(!counts.isEmpty());
    QCOMPARE(counts.first(), 0);
    QCOMPARE(counts.last(), 12);
    QVERIFY(std::is_sorted(counts.begin(), counts.end()));
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

void TestReceiveLines::linesReadJustBeforeTheLossAreKept()
{
    Link link("\r\n"_ba, 2, 300);
    QVERIFY(link.ready);
    link.host.setOnEvents([&link] {
        if (link.host.eventPasses() != 1)
            return;
        // The serial control takes the lines in, then the adapter is pulled
        // in the middle of the next line, before the receiver has looked.
        link.send("A\r\nB\r\nC, half a li"_ba);
        QElapsedTimer wait;
        wait.start();
        while (link.host.comm().bytesWaiting() < 18 && wait.elapsed() < 2000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        link.pty.closeMaster();
        while (!link.host.comm().deviceLost() && wait.elapsed() < 2000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    });
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(ReceiveLines(link.host), ReceiveEnd::DeviceLost);
    QVERIFY(clock.elapsed() < 2000);
    QCOMPARE(link.host.dataList().entries(), (Entries {"A"_ba, "B"_ba}));
    QVERIFY(!link.host.controls().warnText1Visible);
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

void TestReceiveLines::tricklingLinesAreTakenInBatches()
{
    // Taking every 40-byte piece as it comes woke the program 100 times a
    // second, which cost more than 1 % of a core; a few dozen takes a second
    // keep every line and cost a fraction of that.
    Link link("\r\n"_ba, 2, 300);
    QVERIFY(link.ready);
    Entries lines;
    const QByteArray all = numberedLines(150, &lines);   // 3000 bytes: 75 pieces, 0.75 s
    int takes = 0;
    qsizetype seen = 0;
    link.host.setOnEvents([&] {
        if (link.host.dataList().count() != seen) {
            seen = link.host.dataList().count();
            ++takes;
        }
        if (seen == lines.size())
            link.host.pressEsc();
    });
    QTimer giveUp;
    giveUp.callOnTimeout([&link] { link.host.pressEsc(); });
    giveUp.start(5000);
    PacedInstrument instrument(link.pty.masterFd(), all);

    QCOMPARE(ReceiveLines(link.host), ReceiveEnd::Esc);
    QCOMPARE(link.host.dataList().entries(), lines);
    QVERIFY2(takes <= 30, qPrintable(u"the lines of 0.75 s were taken in %1 parts"_s.arg(takes)));
}

void TestReceiveLines::escIsAnsweredWhileLinesTrickleIn()
{
    Link link("\r\n"_ba, 2, 300);
    QVERIFY(link.ready);
    Entries lines;
    const QByteArray all = numberedLines(300, &lines);   // 1.5 s of lines
    QElapsedTimer clock;
    // A precise timer: a coarse one may fire up to 25 ms early and hide a delay.
    QTimer esc;
    esc.setTimerType(Qt::PreciseTimer);
    esc.setSingleShot(true);
    esc.callOnTimeout([&link] { link.host.pressEsc(); });
    clock.start();
    esc.start(500);
    PacedInstrument instrument(link.pty.masterFd(), all);

    QCOMPARE(ReceiveLines(link.host), ReceiveEnd::Esc);
    const qint64 answeredAfter = clock.elapsed() - 500;
    instrument.stop();
    QVERIFY2(answeredAfter < 80, qPrintable(u"ESC answered %1 ms after the press"_s.arg(answeredAfter)));
    // What came before ESC is kept whole and in order.
    const Entries got = link.host.dataList().entries();
    QVERIFY(got.size() >= 50 && got.size() < lines.size());
    QCOMPARE(got, lines.first(got.size()));
}

void TestReceiveLines::aFastLineIsNotHeldBack()
{
    // An instrument that starts at 38400 baud for 0.3 s, then sends as fast as
    // the line takes it, in pieces of 1 to 64 bytes as a USB adapter hands
    // them on: 2 MB, which the receiver takes in a fraction of a second when
    // it stops waiting for more to gather.
    Link link("\r\n"_ba, 2, 300);
    QVERIFY(link.ready);
    constexpr int Lines = 100'000;
    QByteArray all;
    all.reserve(Lines * 20);
    for (int i = 0; i < Lines; ++i)
        all += QByteArray::number(i).rightJustified(18, '0') + "\r\n"_ba;
    link.host.setOnEvents([&link] {
        if (link.host.dataList().count() == Lines)
            link.host.pressEsc();
    });
    QTimer giveUp;
    giveUp.callOnTimeout([&link] { link.host.pressEsc(); });
    giveUp.start(20000);
    QElapsedTimer clock;
    clock.start();
    constexpr qsizetype PacedBytes = 1200;
    std::thread instrument([&link, &all] {
        PacedInstrument paced(link.pty.masterFd(), all.left(PacedBytes));
        paced.finish();
        QRandomGenerator random(7);
        for (qsizetype done = PacedBytes; done < all.size();) {
            const qsizetype piece = std::min<qsizetype>(random.bounded(1, 65), all.size() - done);
            link.send(all.mid(done, piece));
            done += piece;
        }
    });

    QCOMPARE(ReceiveLines(link.host), ReceiveEnd::Esc);
    const qint64 ms = clock.elapsed();
    instrument.join();
    QCOMPARE(link.host.dataList().count(), Lines);
    QCOMPARE(link.host.dataList().entries().last(), "000000000000099999"_ba);
    QVERIFY2(ms < 2800, qPrintable(u"0.3 s at 38400 baud and 2 MB as fast as the line goes took %1 ms"_s.arg(ms)));
}

QTEST_GUILESS_MAIN(TestReceiveLines)
#include "tst_receivelines.moc"
