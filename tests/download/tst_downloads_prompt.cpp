// Instruments that talk right away: the FENNIX gauge that follows its answer
// with its lines at once or soon after, and the Varden that sends its first
// line right behind "$s$". The instrument runs on its own thread with its own
// clock while the download sleeps, waits or works.
#include "CommControl.h"
#include "DataList.h"
#include "Downloads.h"
#include "FakeHost.h"
#include "Pty.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

#include <cerrno>
#include <poll.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

struct Piece
{
    int pauseMs;  // after the trigger, or after the previous piece
    QByteArray bytes;
};

// The instrument's side of a pseudo-terminal. It waits until it has read
// `trigger` from the program (an empty trigger: starts at once), then writes
// each piece after its pause, and keeps every byte the program sends.
class TalkingInstrument
{
public:
    TalkingInstrument(int masterFd, QByteArray trigger, QList<Piece> pieces)
        : m_fd(masterFd)
        , m_trigger(std::move(trigger))
        , m_pieces(std::move(pieces))
        , m_thread([this] { run(); })
    {
    }
    ~TalkingInstrument()
    {
        m_stop = true;
        m_thread.join();
    }

    QByteArray received() const
    {
        QMutexLocker lock(&m_mutex);
        return m_received;
    }
    // When the first piece went out; 0 while none has.
    qint64 firstWrittenNs() const { return m_firstWrittenNs; }

private:
    void run()
    {
        qsizetype next = 0;
        bool triggered = m_trigger.isEmpty();
        auto due = std::chrono::steady_clock::now();
        if (triggered && !m_pieces.isEmpty())
            due += std::chrono::milliseconds(m_pieces.first().pauseMs);
        while (!m_stop) {
            if (triggered && next < m_pieces.size() && std::chrono::steady_clock::now() >= due) {
                const QByteArray &bytes = m_pieces.at(next).bytes;
                if (next == 0)
                    m_firstWrittenNs = std::chrono::steady_clock::now().time_since_epoch().count();
                for (qsizetype done = 0; done < bytes.size();) {
                    const ssize_t n = ::write(m_fd, bytes.constData() + done, size_t(bytes.size() - done));
                    if (n > 0)
                        done += n;
                    else if (n < 0 && errno != EINTR && errno != EAGAIN)
                        break;
                }
                if (++next < m_pieces.size())
                    due = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_pieces.at(next).pauseMs);
                continue;
            }
            // Sleep until the program writes, the next piece is due, or a
            // short while has passed (to see the stop request).
            int timeout = 50;
            if (triggered && next < m_pieces.size()) {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    due - std::chrono::steady_clock::now());
                timeout = int(std::clamp<qint64>(left.count(), 0, 50));
            }
            pollfd pfd{m_fd, POLLIN, 0};
            if (::poll(&pfd, 1, timeout) <= 0 || !(pfd.revents & POLLIN))
                continue;
            char buffer[256];
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n <= 0)
                continue;
            QMutexLocker lock(&m_mutex);
            m_received.append(buffer, n);
            if (!triggered && m_received.contains(m_trigger)) {
                triggered = true;
                if (!m_pieces.isEmpty())
                    due = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_pieces.first().pauseMs);
            }
        }
    }

    int m_fd;
    QByteArray m_trigger;
    QList<Piece> m_pieces;
    mutable QMutex m_mutex;
    QByteArray m_received;
    std::atomic<qint64> m_firstWrittenNs{0};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

qint64 nowNs()
{
    return std::chrono::steady_clock::now().time_since_epoch().count();
}

// 32 readings and the closing line, as the gauge sends them.
QByteArray gaugeLines()
{
    QByteArray bytes;
    for (int i = 1; i <= 32; ++i)
        bytes += "  " + QByteArray::number(100 + i) + ".5 um\r\n";
    return bytes + "End\r\n";
}

QList<QByteArray> gaugeEntries()
{
    QList<QByteArray> entries;
    for (int i = 1; i <= 32; ++i)
        entries.append("  " + QByteArray::number(100 + i) + ".5 um");
    entries.append("End");
    return entries;
}

// A download that lost its end mark would wait for ESC: press it after this long.
constexpr int GiveUpMs = 4000;

} // namespace

class TestPromptInstrument : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void fennixLinesRightBehindTheAnswer_data();
    void fennixLinesRightBehindTheAnswer();
    void dataRightBehindTheStartMark_data();
    void dataRightBehindTheStartMark();
};

void TestPromptInstrument::fennixLinesRightBehindTheAnswer_data()
{
    QTest::addColumn<QList<Piece>>("pieces");
    QTest::addColumn<int>("maxMs");  // from the answer to the end of the download; -1: not measured

    const QByteArray lines = gaugeLines();
    QTest::newRow("answer and lines in one write") << QList<Piece>{{0, "R10\r\n" + lines}} << 300;
    for (int gap : {0, 100, 300, 450})
        QTest::addRow("lines %d ms after the answer", gap) << QList<Piece>{{0, "R10\r\n"}, {gap, lines}} << -1;
    QTest::newRow("lines 700 ms after the answer") << QList<Piece>{{0, "R10\r\n"}, {700, lines}} << -1;
    QTest::newRow("answer split inside its record end")
        << QList<Piece>{{0, "R1"}, {30, "0\r"}, {30, "\n" + lines}} << -1;
    // An answer whose record end never comes is dropped after half a second.
    QTest::newRow("answer without record end") << QList<Piece>{{0, "R10"}, {800, lines}} << -1;
}

void TestPromptInstrument::fennixLinesRightBehindTheAnswer()
{
    QFETCH(QList<Piece>, pieces);
    QFETCH(int, maxMs);

    QTemporaryDir folder;
    Pty line;
    QVERIFY(line.linkAsCom(folder.path(), 3));
    FakeHost host(folder.path(), u"3"_s);
    host.state().SendCmd10 = "$qur10\n\r"_ba;
    host.state().SendCmdA1 = "$qura1\n\r"_ba;
    QElapsedTimer clock;
    clock.start();
    host.setOnEvents([&] {
        if (clock.elapsed() > GiveUpMs)
            host.pressEsc();
    });

    TalkingInstrument gauge(line.masterFd(), "$qur10\n\r"_ba, pieces);
    mnuFennix_Click(host);
    const qint64 endedNs = nowNs();

    QCOMPARE(host.dataList().entries(), gaugeEntries());
    QVERIFY(!host.comm().portOpen());
    QVERIFY(!host.controls().menusLocked);
    QTRY_COMPARE(gauge.received(), "$qur10\n\r$qura1\n\r"_ba);
    if (maxMs >= 0) {
        const qint64 tookMs = (endedNs - gauge.firstWrittenNs()) / 1000000;
        QVERIFY2(tookMs < maxMs, qPrintable(u"%1 ms from the answer to the end"_s.arg(tookMs)));
    }
}

void TestPromptInstrument::dataRightBehindTheStartMark_data()
{
    QTest::addColumn<QList<Piece>>("pieces");
    QTest::addColumn<QList<QByteArray>>("entries");

    const QByteArray bar(20, '_');
    QTest::newRow("first lines in the mark's write")
        << QList<Piece>{{50, "$s$H\r\na\r\n" + bar + "\r\nEnd\r\n"}} << QList<QByteArray>{"H", "a", bar, "End"};
    QTest::newRow("mark split, first line behind its end")
        << QList<Piece>{{50, "xx$s"}, {40, "$H\r\na"}, {40, "\r\nEnd\r\n"}} << QList<QByteArray>{"H", "a", "End"};
    // Only a read that starts with such a byte is line noise; this one started with the mark.
    QTest::newRow("a first line starting above 127")
        << QList<Piece>{{50, "$s$\xb0" "C 21\r\nEnd\r\n"}} << QList<QByteArray>{"\xb0" "C 21", "End"};
}

void TestPromptInstrument::dataRightBehindTheStartMark()
{
    QFETCH(QList<Piece>, pieces);
    QFETCH(QList<QByteArray>, entries);

    QTemporaryDir folder;
    Pty line;
    QVERIFY(line.linkAsCom(folder.path(), 3));
    FakeHost host(folder.path(), u"3"_s);
    QElapsedTimer clock;
    clock.start();
    // The instrument starts once the download waits for its mark.
    std::optional<TalkingInstrument> varden;
    host.setOnEvents([&] {
        if (!varden)
            varden.emplace(line.masterFd(), QByteArray(), pieces);
        if (clock.elapsed() > GiveUpMs)
            host.pressEsc();
    });

    mnuVarden_Click(host);

    QCOMPARE(host.dataList().entries(), entries);
    QVERIFY(!host.comm().portOpen());
    QVERIFY(host.messages().isEmpty());
}

QTEST_GUILESS_MAIN(TestPromptInstrument)
#include "tst_downloads_prompt.moc"
