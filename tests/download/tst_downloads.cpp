// Every entry of the data menu end to end: the main window downloads from a
// simulated instrument on a pseudo-terminal.
#include "Blocks.h"
#include "ReceivedText.h"
#include "tst_downloads_rig.h"

#include "SurfaceText.h"

#include <QProgressBar>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(InstrumentFamily)
Q_DECLARE_METATYPE(const InstrumentLink *)

namespace {

struct MidDownload
{
    bool seen = false;
    bool menusLocked = false;
    bool clipboardShown = true;
    bool qfuHintShown = false;
    PtyLineSettings line;
};

} // namespace

class TestDownloads : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void eachMenuEntry_data();
    void eachMenuEntry();
    void secondDownloadWithFewerBlocks();
    void portOpenAlready();
};

void TestDownloads::eachMenuEntry_data()
{
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<InstrumentFamily>("family");
    QTest::addColumn<const InstrumentLink *>("link");
    QTest::addColumn<int>("baud");
    QTest::addColumn<QByteArray>("sent");

    using namespace InstrumentLinks;
    const QByteArray st = "T4$qura1\n\r";
    QTest::newRow("mnuOV") << "mnuOV"_ba << InstrumentFamily::Orvik << &Orvik << 38400 << QByteArray();
    QTest::newRow("mnuVarden") << "mnuVarden"_ba << InstrumentFamily::Varden << &Varden << 38400 << QByteArray();
    QTest::newRow("mnuQF2000") << "mnuQF2000"_ba << InstrumentFamily::Qf2000 << &Varden << 38400 << QByteArray();
    QTest::newRow("mnuDuramoFN") << "mnuDuramoFN"_ba << InstrumentFamily::DuramoFn << &DuramoFn << 1200 << QByteArray();
    QTest::newRow("mnuQF100") << "mnuQF100"_ba << InstrumentFamily::Qf100 << &DuramoFn << 1200 << QByteArray();
    QTest::newRow("mnuDuramoST") << "mnuDuramoST"_ba << InstrumentFamily::DuramoSt << &DuramoSt << 9600 << st;
    QTest::newRow("mnuKestra2") << "mnuKestra2"_ba << InstrumentFamily::Kestra << &DuramoSt << 9600 << st;
    QTest::newRow("mnuQFU") << "mnuQFU"_ba << InstrumentFamily::Qfu << &Qfu << 1200 << QByteArray();
    QTest::newRow("mnuFennix") << "mnuFennix"_ba << InstrumentFamily::Fennix << &Fennix << 9600
                               << "$qura1\n\r"_ba;
    QTest::newRow("mnuFennix_Radio") << "mnuFennix_Radio"_ba << InstrumentFamily::FennixRadio << &FennixRadio
                                     << 1200 << QByteArray();
}

void TestDownloads::eachMenuEntry()
{
    QFETCH(QByteArray, entry);
    QFETCH(InstrumentFamily, family);
    QFETCH(const InstrumentLink *, link);
    QFETCH(int, baud);
    QFETCH(QByteArray, sent);

    DownloadRig rig;
    SimulatedInstrument &sim = rig.plug(family);
    // A split polling answer would leave its tail as the first entry.
    if (family != InstrumentFamily::Fennix)
        sim.setSplitSeed(quint32(qHash(entry)), 9);
    sim.setStartDelayMs(250);
    // The gauge on the cable pauses after its answer for longer than the
    // program's polling pause, or its first lines go with the answer.
    sim.setAnswerPauseMs(700);
    rig.start();
    rig.fileAnswer = rig.folder.filePath(u"mes/probe"_s);
    const int maxBefore = rig.window->findChild<QProgressBar *>(u"Datenscroll1"_s)->maximum();
    if (startsAtKeyPress(family))
        QVERIFY(sim.pressKey());
    MidDownload mid;
    rig.at(150, [&] {
        mid = {true, rig.menusLocked(), rig.shown("Clipboard1"), rig.shown("QfuText1"), sim.programSettings()};
    });

    rig.trigger(entry.constData());

    QVERIFY(mid.seen);
    QVERIFY(mid.menusLocked);
    QVERIFY(!mid.clipboardShown);
    QCOMPARE(mid.qfuHintShown, link->showsQfuHint);
    QCOMPARE(mid.line.baud, baud);
    QCOMPARE(mid.line.xonXoff, family == InstrumentFamily::Orvik);

    const QList<QByteArray> entries = expectedEntries(family, *link);
    QCOMPARE(rig.entries(), entries);
    if (family == InstrumentFamily::Fennix) {
        // The simulated gauge shares our event loop, so it answers only after
        // one or more polls; what matters is that nothing else is sent.
        QTRY_VERIFY(sim.received().endsWith(sent));
        const QByteArray polls = sim.received().chopped(sent.size());
        QVERIFY(!polls.isEmpty());
        QCOMPARE(polls, WireBytes::poll().repeated(polls.size() / WireBytes::poll().size()));
    } else {
        QTRY_COMPARE(sim.received(), sent);
    }

    const bool blocks = link == &InstrumentLinks::Orvik || link == &InstrumentLinks::Varden;
    if (blocks) {
        QVERIFY(rig.state().ReceiveBuffer.isEmpty());
        QCOMPARE(rig.files.size(), 1);
        QCOMPARE(rig.files.first().filter, u"Messdatenfile (*.mes)"_s);
        QCOMPARE(rig.files.first().initDir, QDir(rig.folder.path()).filePath(u"mes"_s));
        const QList<QByteArray> cut = cutBlocks(entries);
        QCOMPARE(cut.size(), 2);
        for (qsizetype i = 0; i < cut.size(); ++i)
            QCOMPARE(readAll(blockFileName(*rig.fileAnswer, i + 1)), cut.at(i) + "\r\n");
        QVERIFY(!QFile::exists(blockFileName(*rig.fileAnswer, 3)));
    } else {
        QCOMPARE(rig.state().ReceiveBuffer, assembleReceivedText(entries));
        QVERIFY(rig.files.isEmpty());
    }

    QVERIFY(rig.restored());
    QVERIFY(rig.shown("stat1"));
    QVERIFY(rig.shown("Clipboard1"));
    QCOMPARE(rig.window->findChild<QProgressBar *>(u"Datenscroll1"_s)->maximum(),
             link->progressMax ? link->progressMax : maxBefore);
    QVERIFY(rig.dialogs.isEmpty());
}

void TestDownloads::secondDownloadWithFewerBlocks()
{
    const QByteArray bar(20, '_');
    DownloadRig rig;
    SimulatedInstrument &sim = rig.plug(InstrumentFamily::Orvik);
    sim.setStartDelayMs(300);
    sim.setData("H\r\na\r\n" + bar + "\r\nb\r\n" + bar + "\r\nc\r\n" + bar + "\r\nEnd\r\n");
    rig.start();
    rig.fileAnswer = rig.folder.filePath(u"mes/run"_s);
    QVERIFY(sim.pressKey());
    rig.trigger("mnuOV");
    QCOMPARE(rig.state().LastValueIndex, 3);
    QVERIFY(QFile::exists(blockFileName(*rig.fileAnswer, 3)));

    QVERIFY(sim.waitUntilSent());
    sim.setData("H\r\nz\r\n" + bar + "\r\nEnd\r\n");
    QVERIFY(sim.pressKey());
    rig.trigger("mnuOV");

    QCOMPARE(rig.state().LastValueIndex, 1);
    QCOMPARE(rig.state().ValueList, (QList<QByteArray>{QByteArray(), "H\r\nz\r\n" + bar + "\r\n"}));
    // The name proposed is the one of the first run; block 1 exists, so the
    // user is asked once before it is replaced.
    QCOMPARE(rig.files.size(), 2);
    QCOMPARE(rig.files.last().proposed, *rig.fileAnswer);
    QCOMPARE(rig.dialogs.size(), 1);
    QCOMPARE(rig.dialogs.first().kind, MainWindow::DialogKind::Question);
    QCOMPARE(readAll(blockFileName(*rig.fileAnswer, 1)), "H\r\nz\r\n" + bar + "\r\n\r\n");
    QCOMPARE(readAll(blockFileName(*rig.fileAnswer, 2)), "b\r\n" + bar + "\r\n\r\n");
}

void TestDownloads::portOpenAlready()
{
    DownloadRig rig;
    SimulatedInstrument &sim = rig.plug(InstrumentFamily::Kestra);
    rig.start();
    rig.window->comm().setCommPort(3);
    QVERIFY(rig.window->comm().setPortOpen(true));

    rig.trigger("mnuKestra2");

    QCOMPARE(rig.window->findChild<SurfaceText *>()->lines(),
             QStringList{u" Gewählte Schnittstelle ist bereits belegt ! ! ! "_s});
    QCOMPARE(rig.entries(), sampleLines(InstrumentFamily::Kestra));
    QVERIFY(!rig.window->comm().portOpen());
    QTRY_COMPARE(sim.received(), "T4$qura1\n\r"_ba);
    QVERIFY(rig.dialogs.isEmpty());
}

QTEST_MAIN(TestDownloads)
#include "tst_downloads.moc"
