// How the downloads end when the user presses ESC in each of their waits, or
// when the instrument goes away (unplugged adapter) at any point.
#include "Blocks.h"
#include "ReceivedText.h"
#include "SampleData.h"
#include "tst_downloads_rig.h"

#include <QElapsedTimer>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(InstrumentFamily)

namespace {

const QList<QByteArray> Previous{"old 0", "old 1", "old 2"};

void checkRestored(DownloadRig &rig)
{
    QVERIFY(!rig.window->comm().portOpen());
    QVERIFY(!rig.menusLocked());
    for (const char *hidden : {"Datenscroll1", "WarnText2", "WarnText1", "QfuText1"})
        QVERIFY2(!rig.shown(hidden), hidden);
}

bool isPrefix(const QList<QByteArray> &part, const QList<QByteArray> &whole)
{
    return part.size() <= whole.size() && whole.mid(0, part.size()) == part;
}

} // namespace

class TestDownloadWaits : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void escBeforeAnyData_data();
    void escBeforeAnyData();
    void escWhilePolling_data();
    void escWhilePolling();
    void escWhileReceiving_data();
    void escWhileReceiving();
    void instrumentLost_data();
    void instrumentLost();
    void handshakeAfterLostOrvik();
};

void TestDownloadWaits::escBeforeAnyData_data()
{
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<QByteArray>("sent");
    QTest::newRow("mnuOV") << "mnuOV"_ba << QByteArray();
    QTest::newRow("mnuDuramoFN") << "mnuDuramoFN"_ba << QByteArray();
    QTest::newRow("mnuQFU") << "mnuQFU"_ba << QByteArray();
    QTest::newRow("mnuFennix_Radio") << "mnuFennix_Radio"_ba << QByteArray();
    QTest::newRow("mnuDuramoST, T4 unanswered") << "mnuDuramoST"_ba << "T4$qura1\n\r"_ba;
}

void TestDownloadWaits::escBeforeAnyData()
{
    QFETCH(QByteArray, entry);
    QFETCH(QByteArray, sent);
    DownloadRig rig;
    rig.plugSilent();
    rig.start();
    rig.window->dataList().setEntries(Previous);
    rig.state().ReceiveBuffer = "old";
    rig.pressEscAt(300);

    rig.trigger(entry.constData());

    QVERIFY(rig.entries().isEmpty());
    QVERIFY(rig.state().ReceiveBuffer.isEmpty());
    QVERIFY(rig.shown("stat1"));
    QVERIFY(rig.shown("Clipboard1"));
    checkRestored(rig);
    QCOMPARE(rig.sentToSilent(), sent);
    QVERIFY(rig.dialogs.isEmpty());
    QVERIFY(rig.files.isEmpty());
}

void TestDownloadWaits::escWhilePolling_data()
{
    QTest::addColumn<bool>("held");
    QTest::newRow("pressed while polling") << false;
    QTest::newRow("held before the first poll") << true;
}

void TestDownloadWaits::escWhilePolling()
{
    QFETCH(bool, held);
    DownloadRig rig;
    rig.plugSilent();
    rig.start();
    rig.window->dataList().setEntries(Previous);
    rig.state().ReceiveBuffer = assembleReceivedText(Previous);
    if (held)
        QTest::keyPress(rig.window.get(), Qt::Key_Escape);
    else
        rig.pressEscAt(1200);

    QElapsedTimer clock;
    clock.start();
    rig.trigger("mnuFennix");
    if (held)
        QTest::keyRelease(rig.window.get(), Qt::Key_Escape);

    // Stopped before the gauge answered: the previous download stays.
    QCOMPARE(rig.entries(), Previous);
    QCOMPARE(rig.state().ReceiveBuffer, assembleReceivedText(Previous));
    QVERIFY(rig.shown("stat1"));
    QVERIFY(rig.shown("Clipboard1"));
    checkRestored(rig);
    const QByteArray sent = rig.sentToSilent();
    QVERIFY2(sent.endsWith(WireBytes::closing()), sent.constData());
    const qsizetype polls = (sent.size() - WireBytes::closing().size()) / WireBytes::poll().size();
    QCOMPARE(sent, WireBytes::poll().repeated(polls) + WireBytes::closing());
    if (held) {
        QCOMPARE(polls, 0);
    } else {
        // One poll every 500 ms until ESC.
        QVERIFY2(polls >= 2 && polls <= 4, qPrintable(QString::number(polls)));
        QVERIFY(clock.elapsed() < 2500);
    }
}

void TestDownloadWaits::escWhileReceiving_data()
{
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<InstrumentFamily>("family");
    QTest::addColumn<int>("escAfter");
    QTest::newRow("mnuDuramoST") << "mnuDuramoST"_ba << InstrumentFamily::DuramoSt << 3;
    // ORVIK's first block is complete with its seventh line.
    QTest::newRow("mnuOV, first block offered") << "mnuOV"_ba << InstrumentFamily::Orvik << 7;
}

void TestDownloadWaits::escWhileReceiving()
{
    QFETCH(QByteArray, entry);
    QFETCH(InstrumentFamily, family);
    QFETCH(int, escAfter);
    DownloadRig rig;
    SimulatedInstrument &sim = rig.plug(family);
    sim.setStartDelayMs(100);
    sim.setLinePauseMs(150);
    rig.start();
    rig.fileAnswer = rig.folder.filePath(u"mes/part"_s);
    if (startsAtKeyPress(family))
        QVERIFY(sim.pressKey());
    rig.pressEscWhen([&] { return rig.entries().size() >= escAfter; });

    rig.trigger(entry.constData());

    const QList<QByteArray> all = sampleLines(family);
    QVERIFY(rig.entries().size() >= escAfter);
    QVERIFY(rig.entries().size() < all.size());
    QVERIFY(isPrefix(rig.entries(), all));
    QVERIFY(rig.shown("stat1"));
    checkRestored(rig);
    if (family == InstrumentFamily::Orvik) {
        const QList<QByteArray> blocks = cutBlocks(rig.entries());
        QCOMPARE(blocks.size(), 1);
        QCOMPARE(rig.files.size(), 1);
        QFile first(blockFileName(*rig.fileAnswer, 1));
        QVERIFY(first.open(QIODevice::ReadOnly));
        QCOMPARE(first.readAll(), blocks.first() + "\r\n");
    } else {
        QCOMPARE(rig.state().ReceiveBuffer, assembleReceivedText(rig.entries()));
        QTRY_COMPARE(sim.received(), "T4$qura1\n\r"_ba);
    }
}

void TestDownloadWaits::instrumentLost_data()
{
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<bool>("withData");
    QTest::newRow("mnuVarden, waiting for the start mark") << "mnuVarden"_ba << false;
    QTest::newRow("mnuFennix, polling") << "mnuFennix"_ba << false;
    QTest::newRow("mnuQFU, waiting for data") << "mnuQFU"_ba << false;
    QTest::newRow("mnuDuramoST, in the middle of the data") << "mnuDuramoST"_ba << true;
}

void TestDownloadWaits::instrumentLost()
{
    QFETCH(QByteArray, entry);
    QFETCH(bool, withData);
    DownloadRig rig;
    const QByteArray data = sampleData(InstrumentFamily::DuramoSt);
    const qsizetype dropAfter = data.indexOf("\r\n", 40) + 5;
    if (withData)
        rig.plug(InstrumentFamily::DuramoSt).setDropAfter(dropAfter);
    else
        rig.plugSilent();
    rig.start();
    if (!withData)
        rig.at(300, [&] { rig.silent->closeMaster(); });

    QElapsedTimer clock;
    clock.start();
    rig.trigger(entry.constData());

    QVERIFY(clock.elapsed() < 3000);
    QCOMPARE(rig.dialogs.size(), 1);
    QVERIFY2(rig.dialogs.first().text.contains(u"COM3"_s), qPrintable(rig.dialogs.first().text));
    checkRestored(rig);
    if (withData) {
        // The complete lines before the drop stay; the cut one is lost.
        const QList<QByteArray> kept = data.left(dropAfter).split('\n').mid(0, 3);
        QCOMPARE(rig.entries().size(), 3);
        for (qsizetype i = 0; i < 3; ++i)
            QCOMPARE(rig.entries().at(i) + "\r", kept.at(i));
        QCOMPARE(rig.state().ReceiveBuffer, assembleReceivedText(rig.entries()));
    }
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
