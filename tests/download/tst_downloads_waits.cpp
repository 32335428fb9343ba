// How the downloads end when the user presses ESC in their waits, or when the
// instrument goes away in a wait that only some downloads have.
#include "Blocks.h"
#include "ReceivedText.h"
#include "tst_downloads_rig.h"

#include <QElapsedTimer>

using namespace Qt::StringLiterals;

namespace {

const QList<QByteArray> Previous{"old 0", "old 1", "old 2"};

} // namespace

class TestDownloadWaits : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void escBeforeAnyData_data();
    void escBeforeAnyData();
    void escAfterTheFirstBlockSavesIt();
    void instrumentLostInItsWait_data();
    void instrumentLostInItsWait();
    void handshakeAfterLostOrvik();
};

void TestDownloadWaits::escBeforeAnyData_data()
{
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<int>("escAtMs");  // negative: ESC held down from before the start
    QTest::addColumn<bool>("listKept");
    QTest::addColumn<int>("minPolls");
    QTest::addColumn<int>("maxPolls");
    QTest::addColumn<QByteArray>("closing");

    QTest::newRow("mnuOV") << "mnuOV"_ba << 300 << false << 0 << 0 << QByteArray();
    QTest::newRow("mnuDuramoFN") << "mnuDuramoFN"_ba << 300 << false << 0 << 0 << QByteArray();
    QTest::newRow("mnuQFU") << "mnuQFU"_ba << 300 << false << 0 << 0 << QByteArray();
    QTest::newRow("mnuFennix_Radio") << "mnuFennix_Radio"_ba << 300 << false << 0 << 0 << QByteArray();
    QTest::newRow("mnuDuramoST, T4 unanswered") << "mnuDuramoST"_ba << 300 << false << 0 << 0
                                                << "T4$qura1\n\r"_ba;
    // Stopped before the gauge answered: the previous download stays. It is
    // polled every 500 ms until then, and told to close in any case.
    QTest::newRow("mnuFennix, pressed while polling") << "mnuFennix"_ba << 1200 << true << 2 << 4
                                                      << WireBytes::closing();
    QTest::newRow("mnuFennix, held before the first poll") << "mnuFennix"_ba << -1 << true << 0 << 0
                                                           << WireBytes::closing();
}

void TestDownloadWaits::escBeforeAnyData()
{
    QFETCH(QByteArray, entry);
    QFETCH(int, escAtMs);
    QFETCH(bool, listKept);
    QFETCH(int, minPolls);
    QFETCH(int, maxPolls);
    QFETCH(QByteArray, closing);

    DownloadRig rig;
    rig.plugSilent();
    rig.start();
    rig.window->dataList().setEntries(Previous);
    rig.state().ReceiveBuffer = assembleReceivedText(Previous);
    if (escAtMs < 0)
        QTest::keyPress(rig.window.get(), Qt::Key_Escape);
    else
        rig.at(escAtMs, [&] { QTest::keyClick(rig.window.get(), Qt::Key_Escape); });

    QElapsedTimer clock;
    clock.start();
    rig.trigger(entry.constData());
    QVERIFY(clock.elapsed() < std::max(escAtMs, 0) + 1300);
    if (escAtMs < 0)
        QTest::keyRelease(rig.window.get(), Qt::Key_Escape);

    const QList<QByteArray> list = listKept ? Previous : QList<QByteArray>();
    QCOMPARE(rig.entries(), list);
    QCOMPARE(rig.state().ReceiveBuffer, assembleReceivedText(list));
    QVERIFY(rig.shown("stat1"));
    QVERIFY(rig.shown("Clipboard1"));
    QVERIFY(rig.restored());
    const QByteArray sent = rig.sentToSilent();
    QVERIFY2(sent.endsWith(closing), sent.constData());
    const qsizetype polls = (sent.size() - closing.size()) / WireBytes::poll().size();
    QCOMPARE(sent, WireBytes::poll().repeated(polls) + closing);
    QVERIFY2(polls >= minPolls && polls <= maxPolls, qPrintable(QString::number(polls)));
    QVERIFY(rig.dialogs.isEmpty());
    QVERIFY(rig.files.isEmpty());
}

void TestDownloadWaits::escAfterTheFirstBlockSavesIt()
{
    DownloadRig rig;
    SimulatedInstrument &sim = rig.plug(InstrumentFamily::Orvik);
    sim.setStartDelayMs(100);
    sim.setLinePauseMs(150);
    rig.start();
    rig.fileAnswer = rig.folder.filePath(u"mes/part"_s);
    QVERIFY(sim.pressKey());
    // The ORVIK's first block is complete with its seventh line.
    rig.pressEscWhen([&] { return rig.entries().size() >= 7; });

    rig.trigger("mnuOV");

    const QList<QByteArray> all = sampleLines(InstrumentFamily::Orvik);
    QVERIFY(rig.entries().size() >= 7);
    QVERIFY(rig.entries().size() < all.size());
    QVERIFY(isPrefix(rig.entries(), all));
    QVERIFY(rig.shown("stat1"));
    QVERIFY(rig.restored());
    const QList<QByteArray> blocks = cutBlocks(rig.entries());
    QCOMPARE(blocks.size(), 1);
    QCOMPARE(rig.files.size(), 1);
    QCOMPARE(readAll(blockFileName(*rig.fileAnswer, 1)), blocks.first() + "\r\n");
}

void TestDownloadWaits::instrumentLostInItsWait_data()
{
    QTest::addColumn<QByteArray>("entry");
    QTest::newRow("mnuVarden, waiting for the start mark") << "mnuVarden"_ba;
    QTest::newRow("mnuFennix, polling") << "mnuFennix"_ba;
}

void TestDownloadWaits::instrumentLostInItsWait()
{
    QFETCH(QByteArray, entry);
    DownloadRig rig;
    rig.plugSilent();
    rig.start();
    rig.at(300, [&] { rig.silent->closeMaster(); });

    QElapsedTimer clock;
    clock.start();
    rig.trigger(entry.constData());

    QVERIFY(clock.elapsed() < 3000);
    QCOMPARE(rig.dialogs.size(), 1);
    QVERIFY2(rig.dialogs.first().text.contains(u"COM3"_s), qPrintable(rig.dialogs.first().text));
    QVERIFY(rig.restored());
}

void TestDownloadWaits::handshakeAfterLostOrvik()
{
    DownloadRig rig;
    SimulatedInstrument &orvik = rig.plug(InstrumentFamily::Orvik);
    orvik.setDropAfter(30);
    rig.start();
    QVERIFY(orvik.pressKey());
    rig.trigger("mnuOV");
    QCOMPARE(rig.dialogs.size(), 1);

    SimulatedInstrument &st = rig.plug(InstrumentFamily::DuramoSt);
    st.setStartDelayMs(200);
    std::optional<bool> xonXoff;
    rig.at(100, [&] { xonXoff = st.programSettings().xonXoff; });
    rig.trigger("mnuDuramoST");

    QCOMPARE(xonXoff, std::optional<bool>(false));
    QCOMPARE(rig.entries(), sampleLines(InstrumentFamily::DuramoSt));
}

QTEST_MAIN(TestDownloadWaits)
#include "tst_downloads_waits.moc"
