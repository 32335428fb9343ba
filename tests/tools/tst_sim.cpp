// The simulated instrument starts each family's transfer the way the program
// expects and never takes over a user's port link; the meridoc-sim program
// plays a session through a link and logs the wire; the flood check that the
// benchmark trusts finds lost, doubled and damaged lines.
#include "Flood.h"
#include "SampleData.h"
#include "SimulatedInstrument.h"
#include "SlaveEnd.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

class TestSim : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void handshakes_data();
    void handshakes();
    void linksReplaceOnlySimulatorLinks();
    void programSessionThroughLinkWithLog();
    void floodCheckFindsFaults_data();
    void floodCheckFindsFaults();
};

void TestSim::handshakes_data()
{
    QTest::addColumn<int>("family");
    for (InstrumentFamily f : allFamilies())
        QTest::newRow(qPrintable(familyProfile(f).name)) << int(f);
}

// Nothing goes out before the key press, "T4" or the polling command.
void TestSim::handshakes()
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
    QVERIFY(instrument.waitUntilDelivered(10000));
    QTRY_COMPARE(program.bytes, expected);
    QCOMPARE(instrument.state(), SimulatedInstrument::State::Done);
    QVERIFY(sampleData(f).endsWith("End" + profile.recordEnd));
    QVERIFY(!sampleData(f, false).contains("End"));
}

void TestSim::linksReplaceOnlySimulatorLinks()
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
    QVERIFY(QFileInfo::exists(ports + u"/com4"_s));
    QCOMPARE(QFileInfo(ports + u"/com5"_s).symLinkTarget(), u"/dev/ttyS4"_s);
}

void TestSim::programSessionThroughLinkWithLog()
{
    QTemporaryDir folder;
    const QString log = folder.filePath(u"wire.log"_s);
    QProcess sim;
    sim.start(QStringLiteral(MERIDOC_SIM_PATH),
              {u"--family=duramo-st"_s, u"--folder"_s, folder.path(), u"--com=2"_s, u"--log"_s, log});
    QByteArray out;
    QDeadlineTimer deadline(5000);
    while (!out.contains("waiting for T4") && !deadline.hasExpired()
           && sim.waitForReadyRead(int(deadline.remainingTime())))
        out += sim.readAllStandardOutput();
    QVERIFY2(out.contains("DURAMO 5/10/20 ST on ports/com2 -> /dev/pts/"), out.constData());

    {
        SlaveEnd program(folder.filePath(u"ports/com2"_s));
        QVERIFY(program.isOpen());
        program.write("T4"_ba);
        QTRY_COMPARE(program.bytes, sampleData(InstrumentFamily::DuramoSt));
        program.write(WireBytes::closing());
        QVERIFY(sim.waitForFinished(5000));
    }
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), 0);
    QVERIFY(!QFileInfo::exists(folder.filePath(u"ports"_s)));

    QFile file(log);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines.at(0).endsWith(" <- T4"));
    QVERIFY(lines.at(1).endsWith(" <- $qura1\\n\\r"));
}

void TestSim::floodCheckFindsFaults_data()
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

void TestSim::floodCheckFindsFaults()
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

QTEST_GUILESS_MAIN(TestSim)
#include "tst_sim.moc"
