// Every entry of the data menu end to end: the main window downloads from an
// instrument that runs on its own thread and answers at once, its data split
// at random and sent straight behind its start mark or answer. Each row says
// what must come out: the line the instrument heard, the program's bytes, the
// list, the received text, the block or saved files and the texts shown.
#include "CommControl.h"
#include "MainWindowRig.h"
#include "SurfaceText.h"
#include "TestFiles.h"
#include "WindowDownloadHost.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProgressBar>
#include <QTest>
#include <QThread>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(InstrumentFamily)

namespace {

const QByteArray U20(20, '_');
const QByteArray U40(40, '_');
const QByteArray Blocks = "P1\r\na\r\nb\r\n" + U20 + "\r\nc\r\n" + U40 + "\r\nEnd\r\n";
const QList<QByteArray> BlockEntries{"P1", "a", "b", U20, "c", U40, "End"};

const QString Running = u"Data download from instrument is running"_s;
const QString StartAtInstrument = u"Start downloading from the instrument!"_s;
const QString QfuHint =
    u"QFU-ST COM-Configuration: baudrate=1200 / data,stopbits=7,2 /  c:00 / L:00 / c.LF / .Pc "_s;

} // namespace

class TestDownloads : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void eachMenuEntry_data();
    void eachMenuEntry();
    void fennixAnswerToDataPause_data();
    void fennixAnswerToDataPause();
    void listeningDropsWhatCameBeforeItsPause_data();
    void listeningDropsWhatCameBeforeItsPause();
    void countShownBeforeTheLineFallsSilent_data();
    void countShownBeforeTheLineFallsSilent();
    void secondDownloadWithFewerBlocks();
    void portOpenAlready();
};

void TestDownloads::eachMenuEntry_data()
{
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<InstrumentFamily>("family");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<bool>("qfuHint");
    QTest::addColumn<int>("barMax");
    QTest::addColumn<QList<QByteArray>>("entries");
    QTest::addColumn<QByteArray>("receiveBuffer");
    QTest::addColumn<QList<QByteArray>>("blockFiles");

    const QList<QByteArray> blockFiles{"P1\r\na\r\nb\r\n" + U20 + "\r\n\r\n", "c\r\n" + U40 + "\r\n\r\n"};
    const QStringList orvik{u"At the device press key MENU - Transfer - Transfer FE/NFE memory !"_s, Running};
    const QStringList varden{u"At the device press key MENU - Print+PC - Transfer to PC!"_s, Running};
    const QStringList listening{StartAtInstrument, Running};
    const QList<QByteArray> three{"P1", "12.5 um", "End"};
    const QByteArray threeText = "P1\r\n12.5 um\r\nEnd\r\n\r\n";
    const QByteArray closing = "$qura1\n\r";
    const QByteArray crLf = "P1\r\n12.5 um\r\nEnd\r\n";
    const QByteArray cr = "P1\r12.5 um\rEnd\r";
    const QStringList running{Running, Running};
    const QList<QByteArray> noBlocks;

    QTest::newRow("mnuOV") << "mnuOV"_ba << InstrumentFamily::Orvik << Blocks << QByteArray() << orvik << false
                           << 300 << BlockEntries << QByteArray() << blockFiles;
    QTest::newRow("mnuVarden") << "mnuVarden"_ba << InstrumentFamily::Varden << Blocks << QByteArray() << varden
                               << false << 300 << BlockEntries << QByteArray() << blockFiles;
    QTest::newRow("mnuQF2000") << "mnuQF2000"_ba << InstrumentFamily::Qf2000 << Blocks << QByteArray() << varden
                               << false << 300 << BlockEntries << QByteArray() << blockFiles;
    QTest::newRow("mnuDuramoFN") << "mnuDuramoFN"_ba << InstrumentFamily::DuramoFn << cr << QByteArray() << listening
                                 << false << 50 << three << threeText << noBlocks;
    QTest::newRow("mnuQF100") << "mnuQF100"_ba << InstrumentFamily::Qf100 << cr << QByteArray() << listening << false
                              << 50 << three << threeText << noBlocks;
    QTest::newRow("mnuDuramoST") << "mnuDuramoST"_ba << InstrumentFamily::DuramoSt << crLf << "T4" + closing
                                 << running << false << 100 << three << threeText << noBlocks;
    QTest::newRow("mnuKestra2") << "mnuKestra2"_ba << InstrumentFamily::Kestra << crLf << "T4" + closing << running
                                << false << 100 << three << threeText << noBlocks;
    QTest::newRow("mnuQFU") << "mnuQFU"_ba << InstrumentFamily::Qfu << crLf << QByteArray() << listening << true << 50
                            << three << threeText << noBlocks;
    // The bar keeps the maximum the window started with.
    QTest::newRow("mnuFennix") << "mnuFennix"_ba << InstrumentFamily::Fennix << crLf << "$qur10\n\r" + closing
                               << running << false << 1000 << three << threeText << noBlocks;
    // Only the LF of each record end is cut.
    QTest::newRow("mnuFennix_Radio") << "mnuFennix_Radio"_ba << InstrumentFamily::FennixRadio << crLf << QByteArray()
                                     << listening << false << 1000 << QList<QByteArray>{"P1\r", "12.5 um\r", "End\r"}
                                     << "P1\r\r\n12.5 um\r\r\nEnd\r\r\n\r\n"_ba << noBlocks;
}

void TestDownloads::eachMenuEntry()
{
    QFETCH(QByteArray, entry);
    QFETCH(InstrumentFamily, family);
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, sent);
    QFETCH(QStringList, texts);
    QFETCH(bool, qfuHint);
    QFETCH(int, barMax);
    QFETCH(QList<QByteArray>, entries);
    QFETCH(QByteArray, receiveBuffer);
    QFETCH(QList<QByteArray>, blockFiles);

    MainWindowRig rig;
    InstrumentThread &sim = rig.plug(family);
    sim.setData(data);
    const quint32 seed = sim.call([](SimulatedInstrument &i) { return i.splitSeed(); });
    rig.start();
    rig.fileAnswer = rig.folder.filePath(u"mes/probe"_s);
    if (texts.first() != Running)
        rig.pressKeyWhenShown(texts.first(), 50);
    // The menus locked and the copy button hidden by the first text; the
    // line itself is checked by the instrument, which flags a wrong one.
    std::optional<std::pair<bool, bool>> lockedHidden;
    rig.onWarnText = [&, press = rig.onWarnText](const QString &text) {
        if (!lockedHidden)
            lockedHidden = {rig.menusLocked(), !rig.shown("Clipboard1")};
        if (press)
            press(text);
    };

    rig.trigger(entry.constData());

    const QByteArray why = "split seed " + QByteArray::number(seed);
    QVERIFY2(lockedHidden, why.constData());
    QCOMPARE(*lockedHidden, std::pair(true, true));
    QVERIFY2(!sim.wrongLineSeen(), why.constData());
    QCOMPARE(rig.warnTexts, texts);
    // The hint shows from just after the instruction until the download ends.
    QCOMPARE(rig.qfuTextsShown, qfuHint ? QStringList{QfuHint} : QStringList());
    QVERIFY2(rig.entries() == entries, (why + ": " + rig.entries().join('|')).constData());
    QCOMPARE(rig.state().ReceiveBuffer, receiveBuffer);
    QTRY_COMPARE(sim.received(), sent);
    QCOMPARE(rig.barMaximum(), barMax);
    QVERIFY(rig.restored());
    QVERIFY(rig.shown("stat1"));
    QVERIFY(rig.shown("Clipboard1"));
    QVERIFY(rig.dialogs.isEmpty());
    const QString received = u"%1 lines received up to \"End\"; history copy: "_s.arg(entries.size())
        + rig.newestHistoryFile();
    QCOMPARE(rig.statusLine(),
             blockFiles.isEmpty() ? received : received + u"; 2 blocks saved as probe(1).mes to probe(2).mes"_s);

    if (!blockFiles.isEmpty()) {
        QCOMPARE(rig.files.size(), 1);
        QCOMPARE(rig.files.first().filter, u"Messdatenfile (*.mes)"_s);
        QCOMPARE(rig.files.first().initDir, QDir(rig.folder.path()).filePath(u"mes"_s));
        QCOMPARE(rig.state().LastValueIndex, blockFiles.size());
        for (qsizetype i = 0; i < blockFiles.size(); ++i)
            QCOMPARE(readFile(rig.folder.filePath(u"mes/probe(%1).mes"_s.arg(i + 1))), blockFiles.at(i));
        QVERIFY(!QFile::exists(rig.folder.filePath(u"mes/probe(3).mes"_s)));
        return;
    }
    QVERIFY(rig.files.isEmpty());
    // Save writes the received text and one more line end.
    rig.fileAnswer = rig.folder.filePath(u"mes/saved.mes"_s);
    rig.trigger("mnuSpeichern");
    QCOMPARE(readFile(*rig.fileAnswer), receiveBuffer + "\r\n");
}

void TestDownloads::fennixAnswerToDataPause_data()
{
    QTest::addColumn<int>("pauseMs");
    for (int ms : {0, 100, 450, 800})
        QTest::addRow("%d ms", ms) << ms;
}

// However long the gauge waits between its answer and its data, the data are
// read whole, and it is polled once.
void TestDownloads::fennixAnswerToDataPause()
{
    QFETCH(int, pauseMs);
    MainWindowRig rig;
    InstrumentThread &sim = rig.plug(InstrumentFamily::Fennix);
    sim.setAnswerPauseMs(pauseMs);
    sim.setData("P1\r\n15.6 um\r\n16.2 um\r\nEnd\r\n");
    rig.start();

    rig.trigger("mnuFennix");

    QCOMPARE(rig.entries(), (QList<QByteArray>{"P1", "15.6 um", "16.2 um", "End"}));
    QCOMPARE(rig.state().ReceiveBuffer, "P1\r\n15.6 um\r\n16.2 um\r\nEnd\r\n\r\n"_ba);
    QTRY_COMPARE(sim.received(), "$qur10\n\r$qura1\n\r"_ba);
    QVERIFY(rig.restored());
}

void TestDownloads::listeningDropsWhatCameBeforeItsPause_data()
{
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<InstrumentFamily>("family");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("early");
    QTest::addColumn<QList<QByteArray>>("entries");

    const QByteArray crlf = "A 1\r\nB 2\r\nEnd\r\n";
    QTest::newRow("mnuDuramoFN, sent before the buffer is emptied")
        << "mnuDuramoFN"_ba << InstrumentFamily::DuramoFn << "A 1\rB 2\rEnd\r"_ba << true
        << QList<QByteArray>{"B 2", "End"};
    QTest::newRow("mnuDuramoFN, sent during the pause")
        << "mnuDuramoFN"_ba << InstrumentFamily::DuramoFn << "A 1\rB 2\rEnd\r"_ba << false
        << QList<QByteArray>{"A 1", "B 2", "End"};
    QTest::newRow("mnuQFU, sent before the buffer is emptied")
        << "mnuQFU"_ba << InstrumentFamily::Qfu << crlf << true << QList<QByteArray>{"B 2", "End"};
    QTest::newRow("mnuQFU, sent during the pause")
        << "mnuQFU"_ba << InstrumentFamily::Qfu << crlf << false << QList<QByteArray>{"A 1", "B 2", "End"};
    QTest::newRow("mnuFennix_Radio, sent before the buffer is emptied")
        << "mnuFennix_Radio"_ba << InstrumentFamily::FennixRadio << crlf << true
        << QList<QByteArray>{"B 2\r", "End\r"};
    QTest::newRow("mnuFennix_Radio, sent during the pause")
        << "mnuFennix_Radio"_ba << InstrumentFamily::FennixRadio << crlf << false
        << QList<QByteArray>{"A 1\r", "B 2\r", "End\r"};
}

// The key is pressed the moment the instruction shows. Sent at once, the
// first line waits in the buffer that the download empties before its 200 ms
// pause; sent 100 ms later, everything lands in the pause and is kept.
void TestDownloads::listeningDropsWhatCameBeforeItsPause()
{
    QFETCH(QByteArray, entry);
    QFETCH(InstrumentFamily, family);
    QFETCH(QByteArray, data);
    QFETCH(bool, early);
    QFETCH(QList<QByteArray>, entries);

    MainWindowRig rig;
    InstrumentThread &sim = rig.plug(family);
    sim.setData(data);
    if (early)
        sim.setLinePauseMs(400);
    else
        sim.setStartDelayMs(100);
    rig.start();
    bool waited = !early;
    rig.onWarnText = [&](const QString &text) {
        if (text != StartAtInstrument)
            return;
        QVERIFY(sim.pressKey());
        if (!early)
            return;
        // The window must not read meanwhile: no events run here.
        const QDeadlineTimer deadline(2000);
        const qint64 firstLine = data.indexOf(data.contains('\n') ? '\n' : '\r') + 1;
        while (sim.unreadBytes() < firstLine && !deadline.hasExpired())
            QThread::msleep(2);
        waited = sim.unreadBytes() == firstLine;
    };

    rig.trigger(entry.constData());

    QVERIFY(waited);
    QCOMPARE(rig.entries(), entries);
    QVERIFY(rig.restored());
}

void TestDownloads::countShownBeforeTheLineFallsSilent_data()
{
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<InstrumentFamily>("family");
    QTest::addColumn<int>("linePauseMs");  // 0: as few writes as the line takes
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("count");

    QByteArray ten;
    for (int i = 1; i <= 10; ++i)
        ten += "L " + QByteArray::number(i) + "\r\n";
    QTest::newRow("ten lines 20 ms apart") << "mnuDuramoST"_ba << InstrumentFamily::DuramoSt << 20 << ten
                                           << u"10 lines received"_s;
    QTest::newRow("answer and three lines at once") << "mnuFennix"_ba << InstrumentFamily::Fennix << 0
                                                    << "P1\r\n15.6 um\r\n16.2 um\r\n"_ba << u"3 lines received"_s;
}

// The instrument stops without "End": when the bar stops moving, the hint
// says, press ESC. By then the bar must say how many lines came: the bar
// moves at most twice a second, so half a second after the last line at most.
void TestDownloads::countShownBeforeTheLineFallsSilent()
{
    QFETCH(QByteArray, entry);
    QFETCH(InstrumentFamily, family);
    QFETCH(int, linePauseMs);
    QFETCH(QByteArray, data);
    QFETCH(QString, count);

    MainWindowRig rig;
    InstrumentThread &sim = rig.plug(family);
    sim.setData(data);
    if (linePauseMs > 0)
        sim.setLinePauseMs(linePauseMs);
    else
        sim.setWholeWrites();
    rig.start();
    const auto *bar = rig.widget<QProgressBar>("Datenscroll1");
    QElapsedTimer silence;
    QString shownAtEsc;
    rig.pressEscWhen([&] {
        if (!silence.isValid()) {
            if (sim.state() == SimulatedInstrument::State::Done && sim.unreadBytes() == 0)
                silence.start();
            return false;
        }
        if (silence.elapsed() < 600)
            return false;
        shownAtEsc = bar->text();
        return true;
    });

    rig.trigger(entry.constData());

    QVERIFY(!rig.timedOut);
    QCOMPARE(shownAtEsc, count);
    QVERIFY2(rig.newestHistoryFile().endsWith(u" (stopped by ESC).mes"_s), qPrintable(rig.newestHistoryFile()));
    QCOMPARE(rig.statusLine(), u"Stopped by ESC after %1; history copy: %2"_s.arg(count.section(u' ', 0, 1),
                                                                                 rig.newestHistoryFile()));
}

void TestDownloads::secondDownloadWithFewerBlocks()
{
    MainWindowRig rig;
    InstrumentThread &sim = rig.plug(InstrumentFamily::Orvik);
    sim.setData("H\r\na\r\n" + U20 + "\r\nb\r\n" + U20 + "\r\nc\r\n" + U20 + "\r\nEnd\r\n");
    rig.start();
    rig.fileAnswer = rig.folder.filePath(u"mes/run"_s);
    const QString orvik = u"At the device press key MENU - Transfer - Transfer FE/NFE memory !"_s;
    rig.pressKeyWhenShown(orvik, 20);
    rig.trigger("mnuOV");
    QCOMPARE(rig.state().LastValueIndex, 3);
    QVERIFY(QFile::exists(rig.folder.filePath(u"mes/run(3).mes"_s)));

    QVERIFY(sim.waitUntilSent());
    sim.setData("z\r\n" + U20 + "\r\nEnd\r\n");
    rig.trigger("mnuOV");

    QCOMPARE(rig.state().LastValueIndex, 1);
    // The name proposed is the one of the first run; block 1 exists, so the
    // user is asked once before it is replaced.
    QCOMPARE(rig.files.size(), 2);
    QCOMPARE(rig.files.last().proposed, *rig.fileAnswer);
    QCOMPARE(rig.dialogs.size(), 1);
    QCOMPARE(rig.dialogs.first().kind, DialogRouter::Kind::Question);
    QCOMPARE(readFile(rig.folder.filePath(u"mes/run(1).mes"_s)), "z\r\n" + U20 + "\r\n\r\n");
    QCOMPARE(readFile(rig.folder.filePath(u"mes/run(2).mes"_s)), "b\r\n" + U20 + "\r\n\r\n");
}

void TestDownloads::portOpenAlready()
{
    MainWindowRig rig;
    InstrumentThread &sim = rig.plug(InstrumentFamily::Kestra);
    sim.setData("K 75.3 um\r\nEnd\r\n");
    rig.start();
    rig.window->host().comm().setCommPort(3);
    QVERIFY(rig.window->host().comm().setPortOpen(true));

    rig.trigger("mnuKestra2");

    QCOMPARE(rig.window->findChild<SurfaceText *>()->lines(),
             QStringList{u" Gewählte Schnittstelle ist bereits belegt ! ! ! "_s});
    QCOMPARE(rig.entries(), (QList<QByteArray>{"K 75.3 um", "End"}));
    QVERIFY(!rig.window->host().comm().portOpen());
    QTRY_COMPARE(sim.received(), "T4$qura1\n\r"_ba);
    QVERIFY(rig.dialogs.isEmpty());
}

QTEST_MAIN(TestDownloads)
#include "tst_downloads.moc"
