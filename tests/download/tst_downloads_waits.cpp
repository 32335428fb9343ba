// How the downloads end when the user presses ESC in their waits, or when the
// instrument goes away in a wait that only some downloads have.
#include "DataList.h"
#include "MainWindowRig.h"
#include "TestFiles.h"
#include "WindowDownloadHost.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QList<QByteArray> Previous{"old 0", "old 1", "old 2"};
const QByteArray PreviousText = "old 0\r\nold 1\r\nold 2\r\n\r\n";
const QByteArray Poll = "$qur10\n\r";

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
                                                      << "$qura1\n\r"_ba;
    QTest::newRow("mnuFennix, held before the first poll") << "mnuFennix"_ba << -1 << true << 0 << 0
                                                           << "$qura1\n\r"_ba;
}

void TestDownloadWaits::escBeforeAnyData()
{
    QFETCH(QByteArray, entry);
    QFETCH(int, escAtMs);
    QFETCH(bool, listKept);
    QFETCH(int, minPolls);
    QFETCH(int, maxPolls);
    QFETCH(QByteArray, closing);

    MainWindowRig rig;
    rig.plugSilent();
    rig.start();
    rig.window->host().dataList().setEntries(Previous);
    rig.state().ReceiveBuffer = PreviousText;
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
    QCOMPARE(rig.state().ReceiveBuffer, listKept ? PreviousText : QByteArray());
    QVERIFY(rig.shown("stat1"));
    QVERIFY(rig.shown("Clipboard1"));
    QVERIFY(rig.restored());
    const QByteArray sent = rig.sentToSilent();
    QVERIFY2(sent.endsWith(closing), sent.constData());
    const qsizetype polls = (sent.size() - closing.size()) / Poll.size();
    QCOMPARE(sent, Poll.repeated(polls) + closing);
    QVERIFY2(polls >= minPolls && polls <= maxPolls, qPrintable(QString::number(polls)));
    QVERIFY(rig.dialogs.isEmpty());
    QVERIFY(rig.files.isEmpty());
    QCOMPARE(rig.statusLine(), u"No data came from the instrument"_s);
}

void TestDownloadWaits::escAfterTheFirstBlockSavesIt()
{
    const QByteArray bar(20, '_');
    MainWindowRig rig;
    InstrumentThread &sim = rig.plug(InstrumentFamily::Orvik);
    sim.setData("P1\r\na\r\n" + bar + "\r\nb\r\nc\r\nd\r\nEnd\r\n");
    sim.setLinePauseMs(150);
    rig.start();
    rig.fileAnswer = rig.folder.filePath(u"mes/part"_s);
    rig.pressKeyWhenShown(u"At the device press key MENU - Transfer - Transfer FE/NFE memory !"_s, 20);
    rig.pressEscWhen([&] { return rig.entries().size() >= 3; });

    rig.trigger("mnuOV");

    const QList<QByteArray> entries = rig.entries();
    QVERIFY2(entries.size() >= 3 && entries.size() < 7, entries.join('|').constData());
    QCOMPARE(entries.mid(0, 3), (QList<QByteArray>{"P1", "a", bar}));
    QVERIFY(rig.shown("stat1"));
    QVERIFY(rig.restored());
    QCOMPARE(rig.files.size(), 1);
    QCOMPARE(readFile(rig.folder.filePath(u"mes/part(1).mes"_s)), "P1\r\na\r\n" + bar + "\r\n\r\n");
    QVERIFY(!QFile::exists(rig.folder.filePath(u"mes/part(2).mes"_s)));
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
    MainWindowRig rig;
    rig.plugSilent();
    rig.start();
    rig.at(300, [&] { rig.silent->pull(); });

    QElapsedTimer clock;
    clock.start();
    rig.trigger(entry.constData());

    QVERIFY(clock.elapsed() < 3000);
    QCOMPARE(rig.dialogs.size(), 1);
    QVERIFY2(rig.dialogs.first().text.contains(u"COM3"_s), qPrintable(rig.dialogs.first().text));
    QVERIFY(rig.restored());
    QCOMPARE(rig.statusLine(), u"Connection lost before any line came"_s);
}

// The DURAMO ST hears only a line without XON/XOFF: the handshake of an
// ORVIK lost mid-download must not stay on.
void TestDownloadWaits::handshakeAfterLostOrvik()
{
    MainWindowRig rig;
    InstrumentThread &orvik = rig.plug(InstrumentFamily::Orvik);
    orvik.setData("O 12.5 um\r\nO 13.1 um\r\nO 12.8 um\r\nEnd\r\n");
    orvik.setDropAfter(15);
    rig.start();
    rig.pressKeyWhenShown(u"At the device press key MENU - Transfer - Transfer FE/NFE memory !"_s, 20);
    rig.trigger("mnuOV");
    QCOMPARE(rig.dialogs.size(), 1);
    QCOMPARE(rig.entries(), QList<QByteArray>{"O 12.5 um"});
    QVERIFY2(rig.newestHistoryFile().endsWith(u" (connection lost).mes"_s), qPrintable(rig.newestHistoryFile()));
    QCOMPARE(rig.statusLine(), u"Connection lost after 1 line; history copy: "_s + rig.newestHistoryFile());

    InstrumentThread &st = rig.plug(InstrumentFamily::DuramoSt);
    st.setData("S 8.2 um\r\nEnd\r\n");
    rig.trigger("mnuDuramoST");

    QCOMPARE(rig.entries(), (QList<QByteArray>{"S 8.2 um", "End"}));
    QVERIFY(!st.wrongLineSeen());
}

QTEST_MAIN(TestDownloadWaits)
#include "tst_downloads_waits.moc"
