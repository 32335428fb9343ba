// The way the README has anyone try the program: meridoc-sim runs as a process
// of its own and links its line as COM 3, the main window downloads from it,
// and the simulator's log shows the bytes the program sent. The user presses
// Enter in the simulator's terminal for the instruments started at their
// keypad. One entry for each way a transfer starts and a record ends; every
// entry's own line and data are checked by the download tests.
#include "ChildProgram.h"
#include "MainWindowRig.h"
#include "TestFiles.h"

#include <QFileInfo>
#include <QTest>

using namespace Qt::StringLiterals;

class TestRealPair : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void eachMenuEntry_data();
    void eachMenuEntry();
};

void TestRealPair::eachMenuEntry_data()
{
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<QString>("family");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("instruction");  // empty: the program starts the instrument
    QTest::addColumn<QList<QByteArray>>("entries");
    QTest::addColumn<QByteArray>("log");       // what the program sent, as the log writes it

    const QByteArray crlf = "R1 4.5\r\nR2 5.5\r\nEnd\r\n";
    const QByteArray cr = "R1 4.5\rR2 5.5\rEnd\r";
    const QList<QByteArray> lines{"R1 4.5", "R2 5.5", "End"};
    const QString listening = u"Start downloading from the instrument!"_s;
    QTest::newRow("mnuOV") << "mnuOV"_ba << u"orvik"_s << crlf
                           << u"At the device press key MENU - Transfer - Transfer FE/NFE memory !"_s << lines
                           << QByteArray();
    QTest::newRow("mnuVarden") << "mnuVarden"_ba << u"varden"_s << crlf
                               << u"At the device press key MENU - Print+PC - Transfer to PC!"_s << lines << QByteArray();
    QTest::newRow("mnuDuramoFN") << "mnuDuramoFN"_ba << u"duramo-fn"_s << cr << listening << lines << QByteArray();
    QTest::newRow("mnuDuramoST") << "mnuDuramoST"_ba << u"duramo-st"_s << crlf << QString() << lines
                                 << "T4$qura1\\n\\r"_ba;
    QTest::newRow("mnuFennix") << "mnuFennix"_ba << u"fennix"_s << crlf << QString() << lines
                               << "$qur10\\n\\r$qura1\\n\\r"_ba;
    QTest::newRow("mnuFennix_Radio") << "mnuFennix_Radio"_ba << u"fennix-radio"_s << crlf << listening
                                     << QList<QByteArray>{"R1 4.5\r", "R2 5.5\r", "End\r"} << QByteArray();
}

void TestRealPair::eachMenuEntry()
{
    QFETCH(QByteArray, entry);
    QFETCH(QString, family);
    QFETCH(QByteArray, data);
    QFETCH(QString, instruction);
    QFETCH(QList<QByteArray>, entries);
    QFETCH(QByteArray, log);

    MainWindowRig rig;
    const QString dataPath = rig.folder.filePath(u"memory.txt"_s);
    const QString logPath = rig.folder.filePath(u"wire.log"_s);
    QVERIFY(writeFile(dataPath, data));

    ChildProgram sim;
    QVERIFY2(sim.startSimulator({u"--family"_s, family, u"--folder"_s, rig.folder.path(), u"--com"_s, u"3"_s,
                                 u"--data"_s, dataPath, u"--log"_s, logPath},
                                5000),
             qPrintable(sim.error()));
    QVERIFY2(sim.out.contains(" on ports/com3 -> /dev/pts/"), sim.out.constData());

    rig.start();
    if (!instruction.isEmpty()) {
        rig.onWarnText = [&](const QString &text) {
            if (text == instruction)
                rig.at(50, [&] { sim.pressKey(); });
        };
    }
    rig.trigger(entry.constData());

    QCOMPARE(rig.entries(), entries);
    QVERIFY(!rig.timedOut);
    QVERIFY(rig.restored());
    const QByteArray simEnded = sim.finish(15000);
    QVERIFY2(simEnded == "exit 0", (simEnded + ": " + sim.out + sim.err).constData());
    QVERIFY2(sim.out.contains("The program has read everything."), sim.out.constData());
    QVERIFY(!QFileInfo::exists(rig.folder.filePath(u"ports/com3"_s)));

    // Each log line: seconds, " <- ", the bytes received as readable text.
    QByteArray sent;
    for (const QByteArray &line : readFile(logPath).split('\n')) {
        if (!line.isEmpty())
            sent += line.mid(line.indexOf(" <- ") + 4);
    }
    QCOMPARE(sent, log);
}

QTEST_MAIN(TestRealPair)
#include "tst_realpair.moc"
