#include "Flood.h"
#include "SampleData.h"
#include "SimulatedInstrument.h"
#include "SlaveEnd.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

class TestSimulatedInstrument : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void handshakes_data();
    void handshakes();
    void commandsAreLoggedInOrderAcrossReads();
    void closingCommandStopsATransfer();
    void randomSplitKeepsTheBytes_data();
    void randomSplitKeepsTheBytes();
    void dropAfterClosesTheLineMidway();
    void floodArrivesCompleteAndNumbered();
    void pacingAndPauses_data();
    void pacingAndPauses();
    void orvikObeysXoffAndXon();
    void programSettingsAreVisible();
    void linkReplacesOnlySimulatorLinks();
};

void TestSimulatedInstrument::handshakes_data()
{
    QTest::addColumn<int>("family");
    for (InstrumentFamily f : allFamilies())
        QTest::newRow(qPrintable(familyProfile(f).name)) << int(f);
}

// Every family starts the way the program expects: at the key press, on "T4",
// or on the polling command; nothing goes out before that.
void TestSimulatedInstrument::handshakes()
{
    QFETCH(int, family);
    const auto f = InstrumentFamily(family);
    const FamilyProfile &profile = familyProfile(f);
    SimulatedInstrument instrument(f);
    instrument.setAnswerPauseMs(60);
    SlaveEnd program(instrument.slavePath());
    QVERIFY(program.isOpen());

    QByteArray expected;
    switch (profile.start) {
    case TransferStart::KeyPress:
        QVERIFY(instrument.pressKey());
        break;
    case TransferStart::KeyPressMark:
        QVERIFY(instrument.pressKey());
        expected = WireBytes::startMark();
        break;
    case TransferStart::T4Command:
        QVERIFY(!instrument.pressKey());
        QTest::qWait(30);
        QVERIFY(program.bytes.isEmpty());
        program.write("T4"_ba);
        break;
    case TransferStart::Polling:
        QVERIFY(!instrument.pressKey());
        program.write("T4$qur10\r\n"_ba);  // wrong commands: no answer
        QTest::qWait(30);
        QVERIFY(program.bytes.isEmpty());
        program.write(WireBytes::poll());
        expected = WireBytes::pollingAnswer();
        break;
    }
    expected += sampleData(f);
    QVERIFY(instrument.waitUntilDelivered(3000));
    QTRY_COMPARE(program.bytes, expected);
    QCOMPARE(instrument.state(), SimulatedInstrument::State::Done);
    // "$s$" and the polling answer come alone: the program drops what shares their read.
    if (!expected.startsWith(sampleData(f)))
        QCOMPARE(program.firstRead, expected.left(expected.size() - sampleData(f).size()));
    QVERIFY(sampleData(f).endsWith("End" + profile.recordEnd));
    QVERIFY(!sampleData(f, false).contains("End"));
    QVERIFY(!sampleData(f).contains(profile.recordEnd == "\r" ? "\n"_ba : "\r\r"_ba));

}

void TestSimulatedInstrument::commandsAreLoggedInOrderAcrossReads()
{
    SimulatedInstrument instrument(InstrumentFamily::Fennix);
    instrument.setAnswerPauseMs(0);
    QSignalSpy commands(&instrument, &SimulatedInstrument::commandReceived);
    SlaveEnd program(instrument.slavePath());
    program.write("$qur"_ba);
    QTest::qWait(20);
    program.write("10\n\r$qur10\n\r"_ba);
    QVERIFY(instrument.waitUntilSent());
    program.write("$qura"_ba);
    QTest::qWait(20);
    program.write("1\n\r"_ba);
    QTRY_COMPARE(commands.size(), 3);
    QCOMPARE(instrument.received(), "$qur10\n\r$qur10\n\r$qura1\n\r"_ba);
    QCOMPARE(commands.at(0).at(0).toByteArray(), WireBytes::poll());
    QCOMPARE(commands.at(2).at(0).toByteArray(), WireBytes::closing());
    // A poll during the transfer does not start another one.
    QCOMPARE(instrument.transfersDone(), 1);
    QTRY_COMPARE(program.bytes, WireBytes::pollingAnswer() + sampleData(InstrumentFamily::Fennix));
}

void TestSimulatedInstrument::closingCommandStopsATransfer()
{
    SimulatedInstrument instrument(InstrumentFamily::DuramoSt);
    instrument.setBaud(1200);  // 120 bytes a second: the sample takes over half a second
    SlaveEnd program(instrument.slavePath());
    program.write("T4"_ba);
    QTRY_VERIFY(!program.bytes.isEmpty());
    program.write(WireBytes::closing());
    QTRY_COMPARE(instrument.state(), SimulatedInstrument::State::Waiting);
    const qsizetype got = program.bytes.size();
    QTest::qWait(100);
    QCOMPARE(program.bytes.size(), got);
    QVERIFY(got < sampleData(InstrumentFamily::DuramoSt).size());

    // The next "T4" starts a whole new transfer.
    program.bytes.clear();
    instrument.setBaud(0);
    program.write("T4"_ba);
    QVERIFY(instrument.waitUntilDelivered());
    QTRY_COMPARE(program.bytes, sampleData(InstrumentFamily::DuramoSt));
}

void TestSimulatedInstrument::randomSplitKeepsTheBytes_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("maxChunk");
    QTest::newRow("seed 7, up to 12") << 7u << 12;
    QTest::newRow("seed 1, single bytes") << 1u << 1;
    QTest::newRow("seed 99, up to 5") << 99u << 5;
}

void TestSimulatedInstrument::randomSplitKeepsTheBytes()
{
    QFETCH(quint32, seed);
    QFETCH(int, maxChunk);
    QByteArray data;
    for (int i = 0; i < 256; ++i)
        data += char(i);
    SimulatedInstrument instrument(InstrumentFamily::Qfu);
    instrument.setData(data);
    instrument.setSplitSeed(seed, maxChunk);
    SlaveEnd program(instrument.slavePath());
    QVERIFY(instrument.pressKey());
    QVERIFY(instrument.waitUntilDelivered());
    QTRY_COMPARE(program.bytes, data);
    // The writes are spaced, so the reader sees many separate pieces.
    QVERIFY2(program.reads > 256 / maxChunk / 4, qPrintable(QString::number(program.reads)));
}

void TestSimulatedInstrument::dropAfterClosesTheLineMidway()
{
    SimulatedInstrument instrument(InstrumentFamily::Varden);
    instrument.setAnswerPauseMs(0);
    instrument.setDropAfter(20);
    QSignalSpy dropped(&instrument, &SimulatedInstrument::lineDropped);
    SlaveEnd program(instrument.slavePath());
    QVERIFY(instrument.pressKey());
    QTRY_VERIFY(program.hungUp);
    QCOMPARE(dropped.size(), 1);
    QVERIFY(!instrument.isOpen());
    QCOMPARE(instrument.state(), SimulatedInstrument::State::Dropped);
    // The program got exactly the bytes before the drop point, "$s$" included.
    QCOMPARE(program.bytes, (WireBytes::startMark() + sampleData(InstrumentFamily::Varden)).left(20));
    QVERIFY(!instrument.pressKey());
}

void TestSimulatedInstrument::floodArrivesCompleteAndNumbered()
{
    constexpr qint64 Lines = 20000;
    SimulatedInstrument instrument(InstrumentFamily::Orvik);
    instrument.setFlood(Lines, 20);
    SlaveEnd program(instrument.slavePath());
    QVERIFY(instrument.pressKey());
    QVERIFY(instrument.waitUntilDelivered(10000));
    QTRY_COMPARE(program.bytes.size(), FloodSource(Lines, 20, "\r\n"_ba, true).totalBytes());
    QList<QByteArray> lines = program.bytes.split('\n');
    QCOMPARE(lines.takeLast(), QByteArray());
    for (QByteArray &line : lines) {
        QVERIFY(line.endsWith('\r'));
        line.chop(1);
    }
    QCOMPARE(lines.constFirst(), "00000001    10.37 um"_ba);
    QCOMPARE(lines.constLast(), "End"_ba);
    const FloodCheck check = checkFlood(lines, Lines, 20);
    QVERIFY(check.complete());
    QCOMPARE(check.lines, Lines);
}

void TestSimulatedInstrument::pacingAndPauses_data()
{
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("linePauseMs");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("minMs");
    QTest::addColumn<int>("minReads");
    QTest::newRow("384 bytes at 38400 baud") << 38400 << 0 << QByteArray(384, 'x') << 85 << 4;
    QTest::newRow("three lines, 40 ms apart") << 0 << 40 << "a\rbb\rccc\r"_ba << 80 << 3;
}

void TestSimulatedInstrument::pacingAndPauses()
{
    QFETCH(int, baud);
    QFETCH(int, linePauseMs);
    QFETCH(QByteArray, data);
    QFETCH(int, minMs);
    QFETCH(int, minReads);
    SimulatedInstrument instrument(InstrumentFamily::DuramoFn);
    instrument.setData(data);
    instrument.setBaud(baud);
    instrument.setLinePauseMs(linePauseMs);
    SlaveEnd program(instrument.slavePath());
    QElapsedTimer clock;
    clock.start();
    QVERIFY(instrument.pressKey());
    QVERIFY(instrument.waitUntilSent());
    const qint64 ms = clock.elapsed();
    QVERIFY2(ms >= minMs && ms < minMs * 4, qPrintable(QString::number(ms)));
    QTRY_COMPARE(program.bytes, data);
    // Spread over the time, not sent in one burst at the end.
    QVERIFY(program.reads >= minReads);
}

void TestSimulatedInstrument::orvikObeysXoffAndXon()
{
    SimulatedInstrument instrument(InstrumentFamily::Orvik);
    instrument.setBaud(9600);
    SlaveEnd program(instrument.slavePath());
    QVERIFY(instrument.pressKey());
    QTRY_VERIFY(!program.bytes.isEmpty());
    program.write("\x13"_ba);
    QTest::qWait(30);
    const qsizetype stoppedAt = program.bytes.size();
    QTest::qWait(100);
    QCOMPARE(program.bytes.size(), stoppedAt);
    QVERIFY(stoppedAt < sampleData(InstrumentFamily::Orvik).size());
    program.write("\x11"_ba);
    QVERIFY(instrument.waitUntilDelivered());
    QTRY_COMPARE(program.bytes, sampleData(InstrumentFamily::Orvik));
    QCOMPARE(instrument.received(), "\x13\x11"_ba);
}

void TestSimulatedInstrument::programSettingsAreVisible()
{
    SimulatedInstrument instrument(InstrumentFamily::Fennix);
    SlaveEnd program(instrument.slavePath());
    termios t {};
    QCOMPARE(::tcgetattr(program.fd(), &t), 0);
    ::cfsetspeed(&t, B9600);
    t.c_cflag |= CSTOPB;
    t.c_iflag |= IXON;
    QCOMPARE(::tcsetattr(program.fd(), TCSANOW, &t), 0);
    const PtyLineSettings s = instrument.programSettings();
    QCOMPARE(s.baud, 9600);
    QCOMPARE(s.dataBits, 8);
    QCOMPARE(s.parity, 'n');
    QCOMPARE(s.stopBits, 2);
    QVERIFY(s.xonXoff);
}

void TestSimulatedInstrument::linkReplacesOnlySimulatorLinks()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString ports = folder.filePath(u"ports"_s);
    {
        SimulatedInstrument instrument(InstrumentFamily::Qf100);
        QVERIFY(instrument.linkAsCom(folder.path(), 3));
        QCOMPARE(QFileInfo(instrument.linkPath()).symLinkTarget(), instrument.slavePath());
    }
    // Its own link and the folder it made are gone again.
    QVERIFY(!QFileInfo::exists(ports));

    QVERIFY(QDir(folder.path()).mkdir(u"ports"_s));
    QVERIFY(QFile::link(u"/dev/pts/999"_s, ports + u"/com1"_s));     // an earlier simulator's
    QVERIFY(QFile::link(u"/dev/ttyUSB0"_s, ports + u"/com2"_s));     // a real adapter
    QFile file(ports + u"/com4"_s);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    {
        SimulatedInstrument instrument(InstrumentFamily::Qf100);
        QVERIFY(instrument.linkAsCom(folder.path(), 1));
        QVERIFY(!instrument.linkAsCom(folder.path(), 2));
        QVERIFY(instrument.errorString().contains(u"com2"_s));
        QVERIFY(!instrument.linkAsCom(folder.path(), 4));
        QVERIFY(instrument.linkAsCom(folder.path(), 5));
        // A link somebody else put over ours is left alone.
        QVERIFY(QFile::remove(ports + u"/com5"_s));
        QVERIFY(QFile::link(u"/dev/ttyS4"_s, ports + u"/com5"_s));
    }
    struct stat st {};
    QCOMPARE(::lstat(QFile::encodeName(ports + u"/com2"_s).constData(), &st), 0);
    QCOMPARE(::lstat(QFile::encodeName(ports + u"/com5"_s).constData(), &st), 0);
    QVERIFY(QFileInfo::exists(ports + u"/com4"_s));
    QCOMPARE(QFileInfo(ports + u"/com5"_s).symLinkTarget(), u"/dev/ttyS4"_s);
}

QTEST_GUILESS_MAIN(TestSimulatedInstrument)
#include "tst_simulatedinstrument.moc"
