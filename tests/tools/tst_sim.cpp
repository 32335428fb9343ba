// The simulated instrument speaks only on the line its family uses and starts
// its transfer the way the family does; a line set to another speed carries
// noise; it never takes over a user's port link; the flood check that the
// benchmark trusts finds lost, doubled and damaged lines.
#include "Flood.h"
#include "SimulatedInstrument.h"
#include "SlaveEnd.h"
#include "WrongLine.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

class TestSim : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void eachFamilyOnItsOwnLine_data();
    void eachFamilyOnItsOwnLine();
    void wrongSpeedIsNoise();
    void linksReplaceOnlySimulatorLinks();
    void floodCheckFindsFaults_data();
    void floodCheckFindsFaults();
};

void TestSim::eachFamilyOnItsOwnLine_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("baud");
    QTest::addColumn<bool>("xonXoff");
    QTest::addColumn<QByteArray>("command");   // empty: the key on the instrument starts it
    QTest::addColumn<QByteArray>("preamble");  // before the data

    const QByteArray poll = "$qur10\n\r";
    QTest::newRow("orvik") << u"orvik"_s << 38400 << true << QByteArray() << QByteArray();
    QTest::newRow("varden") << u"varden"_s << 38400 << false << QByteArray() << "$s$"_ba;
    QTest::newRow("qf2000") << u"qf2000"_s << 38400 << false << QByteArray() << "$s$"_ba;
    QTest::newRow("duramo-fn") << u"duramo-fn"_s << 1200 << false << QByteArray() << QByteArray();
    QTest::newRow("qf100") << u"qf100"_s << 1200 << false << QByteArray() << QByteArray();
    QTest::newRow("duramo-st") << u"duramo-st"_s << 9600 << false << "T4"_ba << QByteArray();
    QTest::newRow("kestra") << u"kestra"_s << 9600 << false << "T4"_ba << QByteArray();
    QTest::newRow("qfu") << u"qfu"_s << 1200 << false << QByteArray() << QByteArray();
    QTest::newRow("fennix") << u"fennix"_s << 9600 << false << poll << "FNX 2.4 OK\r\n"_ba;
    QTest::newRow("fennix-radio") << u"fennix-radio"_s << 1200 << false << QByteArray() << QByteArray();
}

// On its own line the instrument sends nothing before its start, then its
// preamble and data at once; the polled gauge answers once a session. On a
// line set otherwise (another speed, or the ORVIK without XON/XOFF) its data
// arrive as noise and the program's command is not understood.
void TestSim::eachFamilyOnItsOwnLine()
{
    QFETCH(QString, name);
    QFETCH(int, baud);
    QFETCH(bool, xonXoff);
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, preamble);
    const QByteArray data = "A 1\r\nEnd\r\n";
    const InstrumentFamily family = *familyFromName(name);

    for (const bool right : {true, false}) {
        SimulatedInstrument instrument(family);
        instrument.setData(data);
        SlaveEnd program(instrument.slavePath());
        QVERIFY(program.isOpen());
        const int lineBaud = right || xonXoff ? baud : (baud == 9600 ? 1200 : 9600);
        QVERIFY(program.setLine(lineBaud, right && xonXoff));
        if (command.isEmpty()) {
            QVERIFY(instrument.pressKey());
        } else {
            QVERIFY(!instrument.pressKey());
            QTest::qWait(30);
            QVERIFY(program.bytes.isEmpty());
            program.write(command);
        }
        if (!right) {
            QTRY_VERIFY(instrument.wrongLineSeen().has_value());
            QCOMPARE(instrument.wrongLineSeen()->baud, lineBaud);
            QTest::qWait(50);
            QVERIFY2(!program.bytes.contains("A 1"), program.bytes.toHex().constData());
            if (!command.isEmpty())
                QCOMPARE(program.bytes, QByteArray());
            continue;
        }
        QVERIFY(instrument.waitUntilDelivered(5000));
        QTRY_COMPARE(program.bytes, preamble + data);
        QVERIFY(!instrument.wrongLineSeen());
        if (preamble.startsWith("FNX")) {
            program.write(command);
            QTest::qWait(50);
            QCOMPARE(program.bytes, preamble + data);
            program.write("$qura1\n\r"_ba + command);
            QTRY_COMPARE(program.bytes, (preamble + data).repeated(2));
        }
    }
}

// A receiver at the wrong speed samples the sender's bits at its own pace.
void TestSim::wrongSpeedIsNoise()
{
    // 0x00 at 9600 baud lasts 1.04 ms; a 1200-baud receiver samples its first
    // data bit at 1.25 ms, on the idle line: eight ones.
    QCOMPARE(heardAtSpeed(QByteArray(1, '\0'), 9600, 1200), "\xff"_ba);
    // The start bit of 0xFF at 1200 baud covers seven data bits of a
    // 9600-baud receiver; the eighth falls on the first data bit.
    QCOMPARE(heardAtSpeed("\xff"_ba, 1200, 9600), "\x80"_ba);
    const QByteArray line = "P1 12.5 um\r\n";
    QCOMPARE(heardAtSpeed(line, 9600, 9600), line);
    const int rates[] = {1200, 9600, 38400};
    for (int sent : rates) {
        for (int heard : rates) {
            if (sent == heard)
                continue;
            QVERIFY(!heardAtSpeed(line, sent, heard).contains("12.5"));
            QVERIFY(heardAtSpeed("T4"_ba, sent, heard) != "T4");
        }
    }
    QCOMPARE(heardWithoutHandshake("A\r"_ba), "\xc1\x8d"_ba);
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
