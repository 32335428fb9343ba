// Download steps on the widget-free host: the wait for the "$s$" start mark
// of the DURAMO Varden and the QF-2000, counted read by read (the waits take
// no time here), the FENNIX answer cut over several reads, the DURAMO ST's
// answer waiting before its command, and a port that refuses its line settings.
#include "ByteReader.h"
#include "CommControl.h"
#include "DataList.h"
#include "DownloadSteps.h"
#include "Downloads.h"
#include "FakeHost.h"
#include "InstrumentLink.h"
#include "Pty.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Writes bytes as the instrument, and lets the terminal layer hand them to
// the program's side before the program reads again.
void sendAsInstrument(Pty &instrument, const QByteArray &bytes)
{
    QCOMPARE(::write(instrument.masterFd(), bytes.constData(), size_t(bytes.size())), ssize_t(bytes.size()));
    ::usleep(3000);
}

} // namespace

class TestStartMark : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void startMark_data();
    void startMark();
    void fennixAnswerOverSeveralReads_data();
    void fennixAnswerOverSeveralReads();
    void fennixPulledWhileItsAnswerEnds();
    void duramoStAnswerWaitingBeforeTheCommand();
    void refusedLineSettingsStopTheDownload();
};

void TestStartMark::startMark_data()
{
    QTest::addColumn<QList<QByteArray>>("pieces");
    QTest::addColumn<int>("firstPass");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QByteArray>("data");  // sent once the progress shows
    QTest::addColumn<QList<QByteArray>>("entries");
    QTest::addColumn<int>("blocks");  // saved, each behind a line of 20 underscores

    const QByteArray bar(20, '_');
    const QByteArray data = "H\r\na\r\n" + bar + "\r\nEnd\r\n";
    const QList<QByteArray> entries{"H", "a", bar, "End"};
    // Bytes written during the events of pass n are taken by the read of pass n + 2.
    QTest::newRow("whole mark") << QList<QByteArray>{"xx$s$"} << 1 << true << data << entries << 1;
    QTest::newRow("split over two reads") << QList<QByteArray>{"$s", "$"} << 3 << true << data << entries << 1;
    QTest::newRow("in the 1100th read") << QList<QByteArray>{"$s$"} << 1098 << true << data << entries << 1;
    QTest::newRow("in the 1101st read") << QList<QByteArray>{"$s$"} << 1099 << false << data << entries << 1;
    QTest::newRow("case matters") << QList<QByteArray>{"$S$"} << 1 << false << data << entries << 1;
    QTest::newRow("first lines in the mark's read")
        << QList<QByteArray>{"$s$" + data} << 1 << true << QByteArray() << entries << 1;
    QTest::newRow("mark split, first line behind its end") << QList<QByteArray>{"xx$s", "$H\r\na", "\r\nEnd\r\n"}
        << 1 << true << QByteArray() << QList<QByteArray>{"H", "a", "End"} << 0;
    // Only a read that starts with such a byte is line noise; this one started with the mark.
    // The instrument may end the mark's line with a record end of its own:
    // that one belongs to the mark, however the reads cut it, and only that one.
    QTest::newRow("mark on a line of its own") << QList<QByteArray>{"$s$\r\n"} << 1 << true << data << entries << 1;
    QTest::newRow("mark's record end in the next read")
        << QList<QByteArray>{"$s$"} << 1 << true << "\r\n" + data << entries << 1;
    QTest::newRow("mark's record end split") << QList<QByteArray>{"$s$\r"} << 1 << true << "\n" + data << entries << 1;
    QTest::newRow("empty line behind the mark's own")
        << QList<QByteArray>{"$s$\r\n\r\n"} << 1 << true << data << QList<QByteArray>{"", "H", "a", bar, "End"} << 1;
    QTest::newRow("blank behind the mark") << QList<QByteArray>{"$s$ \r\n"} << 1 << true << data
                                           << QList<QByteArray>{" ", "H", "a", bar, "End"} << 1;
    QTest::newRow("a first line starting above 127") << QList<QByteArray>{"$s$\xb0" "C 21\r\nEnd\r\n"} << 1 << true
                                                     << QByteArray() << QList<QByteArray>{"\xb0" "C 21", "End"} << 0;
}

void TestStartMark::startMark()
{
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(int, firstPass);
    QFETCH(bool, found);
    QFETCH(QByteArray, data);
    QFETCH(QList<QByteArray>, entries);
    QFETCH(int, blocks);

    QTemporaryDir folder;
    Pty instrument;
    QVERIFY(instrument.linkAsCom(folder.path(), 3));
    FakeHost host(folder.path(), u"3"_s);
    host.setDelayScale(0);
    host.dataList().setEntries({"old"});
    int pass = 0;
    bool dataSent = false;
    host.setOnEvents([&] {
        ++pass;
        const qsizetype piece = pass - firstPass;
        if (piece >= 0 && piece < pieces.size())
            sendAsInstrument(instrument, pieces.at(piece));
        if (host.controls().progressVisible && !dataSent && !data.isEmpty()) {
            dataSent = true;
            sendAsInstrument(instrument, data);
        }
    });

    mnuVarden_Click(host);

    QVERIFY(!host.comm().portOpen());
    QVERIFY(!host.controls().menusLocked);
    QVERIFY(!host.controls().warnText2Visible);
    QCOMPARE(host.escTests() > 0, found);
    if (found) {
        QCOMPARE(host.dataList().entries(), entries);
        QCOMPARE(host.state().LastValueIndex, blocks);
        QCOMPARE(host.saveRequests().size(), blocks);
        QVERIFY(host.messages().isEmpty());
        QVERIFY(host.controls().dataListVisible);
    } else {
        QCOMPARE(host.delays(), QList<double>(1101, 10.0));
        QCOMPARE(host.dataList().entries(), QList<QByteArray>{"old"});
        QVERIFY(!host.controls().dataListVisible);
        QVERIFY(!host.controls().clipboardButtonVisible);
        QVERIFY(host.saveRequests().isEmpty());
        QCOMPARE(host.messages().size(), 1);
    }
}

void TestStartMark::fennixAnswerOverSeveralReads_data()
{
    QTest::addColumn<QList<QByteArray>>("pieces");  // one a pass once polled
    QTest::addColumn<int>("lastAfterMs");  // the last piece not before this long after the first
    QTest::addColumn<QList<QByteArray>>("entries");

    QTest::newRow("answer split inside its record end")
        << QList<QByteArray>{"R1", "0\r", "\nP1\r\n15.6 um\r\nEnd\r\n"} << 0 << QList<QByteArray>{"P1", "15.6 um", "End"};
    // The answer's record end may take its time: up to half a second.
    QTest::newRow("answer's record end 250 ms late")
        << QList<QByteArray>{"R10", "\r\nP1\r\n15.6 um\r\nEnd\r\n"} << 250 << QList<QByteArray>{"P1", "15.6 um", "End"};
    // An answer whose record end never comes is dropped after half a second.
    QTest::newRow("answer without record end")
        << QList<QByteArray>{"R10", "P1\r\n15.6 um\r\nEnd\r\n"} << 700 << QList<QByteArray>{"P1", "15.6 um", "End"};
}

void TestStartMark::fennixAnswerOverSeveralReads()
{
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(int, lastAfterMs);
    QFETCH(QList<QByteArray>, entries);

    QTemporaryDir folder;
    Pty gauge;
    QVERIFY(gauge.linkAsCom(folder.path(), 3));
    ByteReader heard(gauge.masterFd());
    FakeHost host(folder.path(), u"3"_s);
    host.state().SendCmd10 = "$qur10\n\r"_ba;
    host.state().SendCmdA1 = "$qura1\n\r"_ba;
    qsizetype next = 0;
    QElapsedTimer sinceAnswer;
    host.setOnEvents([&] {
        const QByteArray received = heard.all();
        // A download that lost its end mark would wait for ESC.
        if (sinceAnswer.isValid() && sinceAnswer.elapsed() > 4000)
            host.pressEsc();
        if (!received.startsWith("$qur10\n\r") || next >= pieces.size())
            return;
        if (next == 0)
            sinceAnswer.start();
        else if (next == pieces.size() - 1 && sinceAnswer.elapsed() < lastAfterMs)
            return;
        sendAsInstrument(gauge, pieces.at(next++));
    });

    // The pieces go out from the program's event passes: a steady tick makes
    // those passes come every 10 ms, so a late piece leaves on time even while
    // the program sleeps waiting for the answer's record end.
    QTimer tick;
    tick.start(10);
    mnuFennix_Click(host);
    ::usleep(3000);

    QCOMPARE(host.dataList().entries(), entries);
    QVERIFY(!host.comm().portOpen());
    QVERIFY(!host.controls().menusLocked);
    QCOMPARE(heard.all(), "$qur10\n\r$qura1\n\r"_ba);
}

// A gauge pulled after the first piece of its answer: noticed at once, as a
// pull during the polling is, and the list keeps the previous download.
void TestStartMark::fennixPulledWhileItsAnswerEnds()
{
    QTemporaryDir folder;
    Pty gauge;
    QVERIFY(gauge.linkAsCom(folder.path(), 3));
    FakeHost host(folder.path(), u"3"_s);
    host.state().SendCmd10 = "$qur10\n\r"_ba;
    host.state().SendCmdA1 = "$qura1\n\r"_ba;
    host.dataList().setEntries({"old 1", "old 2"});
    bool answered = false;
    QElapsedTimer sincePull;
    host.setOnEvents([&] {
        if (!answered && host.comm().portOpen()) {
            answered = true;
            sendAsInstrument(gauge, "R10");
            QTimer::singleShot(50, [&] {
                gauge.closeMaster();
                sincePull.start();
            });
        }
        // A download that missed the pull would wait for ESC.
        if (sincePull.isValid() && sincePull.elapsed() > 4000)
            host.pressEsc();
    });

    const DownloadOutcome outcome = mnuFennix_Click(host);

    QVERIFY(sincePull.isValid());
    QVERIFY2(sincePull.elapsed() < 400, qPrintable(u"%1 ms from the pull to the end"_s.arg(sincePull.elapsed())));
    QCOMPARE(outcome.ending, DownloadOutcome::Ending::ConnectionLost);
    QCOMPARE(outcome.lines, 0);
    QCOMPARE(host.dataList().entries(), (QList<QByteArray>{"old 1", "old 2"}));
    QCOMPARE(host.messages().size(), 1);
    QCOMPARE(host.messages().first().title, u"Connection lost"_s);
    QVERIFY(!host.controls().menusLocked);
}

// The DURAMO ST's first answer may be waiting before "T4" has left; it is
// part of the data.
void TestStartMark::duramoStAnswerWaitingBeforeTheCommand()
{
    QTemporaryDir folder;
    Pty gauge;
    QVERIFY(gauge.linkAsCom(folder.path(), 3));
    FakeHost host(folder.path(), u"3"_s);
    host.state().SendCmdA1 = "$qura1\n\r"_ba;
    QElapsedTimer sinceStart;
    sinceStart.start();
    // A download that lost its end mark would wait for ESC.
    host.setOnEvents([&] {
        if (sinceStart.elapsed() > 3000)
            host.pressEsc();
    });
    sendAsInstrument(gauge, "P1\r\n15.6 um\r\nEnd\r\n");

    mnuDuramoST_Click(host);

    QCOMPARE(host.dataList().entries(), (QList<QByteArray>{"P1", "15.6 um", "End"}));
}

void TestStartMark::refusedLineSettingsStopTheDownload()
{
    QTemporaryDir folder;
    Pty instrument;
    QVERIFY(instrument.linkAsCom(folder.path(), 3));
    FakeHost host(folder.path(), u"3"_s);
    host.dataList().setEntries({"old", "lines"});
    const InstrumentLink link{"9600,q,8,1", ModemLines::Low, false, "\r\n", 2, true, 100, "", false, true};

    PortProblem problem;
    QVERIFY(!openingSteps(host, link, problem));
    QCOMPARE(problem.kind, PortProblem::Kind::SettingsRefused);
    QCOMPARE(problem.settings, u"9600,q,8,1"_s);
    QVERIFY(!host.comm().portOpen());
    QVERIFY(!host.controls().menusLocked);
    QVERIFY(host.controls().clipboardButtonVisible);
    QCOMPARE(host.dataList().count(), 2);
    QCOMPARE(host.messages().size(), 1);
    QVERIFY2(host.messages().first().text.contains(u"9600,q,8,1"_s), qPrintable(host.messages().first().text));
}

QTEST_GUILESS_MAIN(TestStartMark)
#include "tst_downloads_startmark.moc"
