// The download history in the main window: every download's copy equals what
// Save writes, the File menu's history window lists, opens and deletes, the
// notice after an interrupted download, and a full disk during a download.
#include "CommControl.h"
#include "FailingDisk.h"
#include "HistoryWindow.h"
#include "MainWindowRig.h"
#include "SampleData.h"
#include "TestFiles.h"
#include "WindowDownloadHost.h"

#include <QAbstractItemView>
#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include <chrono>
#include <functional>
#include <memory>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(InstrumentFamily)

namespace {

void placeFile(const QString &path, const QByteArray &bytes)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QVERIFY(writeFile(path, bytes));
}

// Runs one data menu entry against its simulated instrument to the end.
void download(MainWindowRig &rig, const char *entry, InstrumentFamily family)
{
    InstrumentThread &sim = rig.plug(family);
    sim.setStartDelayMs(250);
    sim.setAnswerPauseMs(700);
    if (!rig.window)
        rig.start();
    if (startsAtKeyPress(family))
        QVERIFY(sim.pressKey());
    rig.trigger(entry);
}

HistoryWindow *openHistoryWindow(MainWindowRig &rig)
{
    rig.trigger("mnuHistory");
    return rig.window->findChild<HistoryWindow *>();
}

QAbstractItemView *historyList(HistoryWindow *window)
{
    return window->findChild<QAbstractItemView *>(u"historyList"_s);
}

QStringList rowTexts(const QAbstractItemView *list, int row)
{
    QStringList texts;
    for (int c = 1; c < list->model()->columnCount(); ++c)
        texts.append(list->model()->index(row, c).data().toString());
    return texts;
}

void choose(QAbstractItemView *list, const QList<int> &rows)
{
    list->clearSelection();
    for (int row : rows)
        list->selectionModel()->select(list->model()->index(row, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

using Clock = std::chrono::steady_clock;

qint64 msBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count();
}

// fsync() of a file, not of a folder: the first one waits `stall` first, as a
// busy USB stick does. The download's only file sync is its finished copy's
// (the .part is synced with fdatasync). `began` tells when the stall began;
// `onStall` runs then, on the thread that syncs.
struct StalledFileSync
{
    std::chrono::milliseconds stall;
    std::function<void()> onStall = {};
    std::shared_ptr<std::atomic<Clock::rep>> began = std::make_shared<std::atomic<Clock::rep>>(0);

    std::function<int(int)> call() const
    {
        return [stall = stall, onStall = onStall, began = began](int fd) {
            struct stat info{};
            if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && began->load() == 0) {
                began->store(Clock::now().time_since_epoch().count());
                if (onStall)
                    onStall();
                std::this_thread::sleep_for(stall);
            }
            return ::fsync(fd);
        };
    }
    bool happened() const { return began->load() != 0; }
    Clock::time_point beganAt() const { return Clock::time_point(Clock::duration(began->load())); }
};

// What Save writes of the DURAMO FE-S / FN's sample: its lines, each with
// CR LF, and the closing CR LF.
const QByteArray DuramoFnFile = "DURAMO FE-S  Memory\r\n  21.4 um\r\n  22.0 um\r\n  21.7 um\r\nEnd\r\n\r\n\r\n"_ba;

} // namespace

class TestHistory : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void fileMenuHasTheEntryBetweenPrintAndEnd();
    void copyEqualsSavedFile_data();
    void copyEqualsSavedFile();
    void windowListsOpensAndDeletes();
    void bigDownloadsDoNotHoldTheWindow();
    void interruptedDownloadIsToldOnce();
    void fullDiskKeepsTheDownloadAndSaysWhy();
    void stalledDiskAtTheEndHoldsNoWindow();
    void windowClosedWhileTheCopyEnds();
};

void TestHistory::fileMenuHasTheEntryBetweenPrintAndEnd()
{
    MainWindowRig rig;
    rig.start();
    QStringList entries;
    for (const QAction *action : rig.window->findChild<QMenu *>(u"mnuDatei"_s)->actions())
        entries.append(action->isSeparator() ? u"-"_s
                                             : action->text() + u'|' + action->shortcut().toString());
    QCOMPARE(entries, (QStringList{u"&Open data file|Ctrl+O"_s, u"&Save data file as|Ctrl+S"_s,
                                   u"&Print data file|Ctrl+P"_s, u"Download &history...|"_s, u"-"_s,
                                   u"&End program|Ctrl+E"_s}));
}

void TestHistory::copyEqualsSavedFile_data()
{
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<InstrumentFamily>("family");
    QTest::addColumn<QString>("fileEnd");
    QTest::newRow("polled") << "mnuFennix"_ba << InstrumentFamily::Fennix
                            << u" FENNIX FE-S - FN with Interface Cabel.mes"_s;
    QTest::newRow("blocks") << "mnuQF2000"_ba << InstrumentFamily::Qf2000 << u" QF-2000.mes"_s;
    QTest::newRow("sibling's download, own name") << "mnuKestra2"_ba << InstrumentFamily::Kestra
                                                  << u" KESTRA II - DURAMO 80F-ST.mes"_s;
}

void TestHistory::copyEqualsSavedFile()
{
    QFETCH(QByteArray, entry);
    QFETCH(InstrumentFamily, family);
    QFETCH(QString, fileEnd);

    MainWindowRig rig;
    rig.start();
    rig.fileAnswer = rig.folder.filePath(u"mes/blocks"_s);
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    download(rig, entry.constData(), family);
    QVERIFY(!rig.entries().isEmpty());

    const QStringList kept = rig.folder.historyFiles();
    QCOMPARE(kept.size(), 1);
    QVERIFY2(kept.first().endsWith(fileEnd), qPrintable(kept.first()));
    const QDateTime started = QDateTime::fromString(kept.first().left(19), u"yyyy-MM-dd HH-mm-ss"_s);
    QVERIFY(started >= before && started <= QDateTime::currentDateTime());

    rig.fileAnswer = rig.folder.filePath(u"mes/saved.mes"_s);
    rig.trigger("mnuSpeichern");
    const QByteArray saved = readFile(*rig.fileAnswer);
    QVERIFY(saved.size() > 4);
    QCOMPARE(readFile(rig.folder.historyPath(kept.first())), saved);
    QVERIFY(rig.dialogs.isEmpty());
}

void TestHistory::windowListsOpensAndDeletes()
{
    MainWindowRig rig;
    const QString history = rig.folder.historyPath();
    placeFile(history + u"/2026-12-06 09-00-00 QF-100 (stopped by ESC).mes"_s, "a\r\nb\r\n\r\n\r\n"_ba);
    placeFile(history + u"/2026-12-07 08-30-00 DURAMO 5-10-20 ST.mes"_s, "x 1\r\nx 2\r\nEnd\r\n\r\n\r\n"_ba);
    placeFile(history + u"/2026-12-05 07-00-00 ORVIK FE-B - FN-B (connection lost).mes"_s, QByteArray(2000, 'z'));
    rig.start();

    HistoryWindow *window = openHistoryWindow(rig);
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QAbstractItemView *list = historyList(window);
    QTRY_COMPARE(list->model()->rowCount(), 3);
    QCOMPARE(list->model()->index(0, 0).data().toString(), u"2026-12-07 08:30:00"_s);

    // Open: the chosen download in the list, as File > Open makes it.
    choose(list, {0});
    window->findChild<QPushButton *>(u"historyOpen"_s)->click();
    QVERIFY(!window->isVisible());
    QCOMPARE(rig.entries(), (QList<QByteArray>{"x 1"_ba, "x 2"_ba, "End"_ba}));
    QVERIFY(rig.shown("stat1"));
    QVERIFY(rig.shown("Clipboard1"));

    // Delete asks first; No keeps the files.
    QTRY_VERIFY(!rig.window->findChild<HistoryWindow *>());
    window = openHistoryWindow(rig);
    list = historyList(window);
    QTRY_COMPARE(list->model()->rowCount(), 3);
    choose(list, {1, 2});
    rig.answerYes = false;
    window->findChild<QPushButton *>(u"historyDelete"_s)->click();
    QCOMPARE(rig.dialogs.size(), 1);
    QCOMPARE(rig.dialogs.last().kind, DialogRouter::Kind::Question);
    QCOMPARE(rig.dialogs.last().text, u"Delete these 2 downloads from the history?"_s);
    QCOMPARE(QDir(history).entryList(QDir::Files).size(), 3);
    rig.answerYes = true;
    window->findChild<QPushButton *>(u"historyDelete"_s)->click();
    QCOMPARE(QDir(history).entryList(QDir::Files),
             QStringList{u"2026-12-07 08-30-00 DURAMO 5-10-20 ST.mes"_s});
    QTRY_COMPARE(list->model()->rowCount(), 1);
    window->close();
}

void TestHistory::bigDownloadsDoNotHoldTheWindow()
{
    // Years of downloads, or one flood: here 4 GB without a single line end
    // (a sparse file, so nothing is written). Reading it takes seconds; the
    // window opens and closes at once all the same.
    MainWindowRig rig;
    const QString history = rig.folder.historyPath();
    placeFile(history + u"/2026-12-07 08-30-00 QF-100.mes"_s, "a\r\nb\r\n\r\n\r\n"_ba);
    const QString big = history + u"/2026-12-06 08-30-00 ORVIK FE-B - FN-B.mes"_s;
    placeFile(big, "x"_ba);
    QVERIFY(QFile::resize(big, qint64(4) << 30));
    rig.start();

    QElapsedTimer clock;
    clock.start();
    HistoryWindow *window = openHistoryWindow(rig);
    QVERIFY(window);
    QVERIFY2(clock.elapsed() < 500, qPrintable(u"the window took %1 ms to open"_s.arg(clock.elapsed())));
    QAbstractItemView *list = historyList(window);
    QTRY_COMPARE(list->model()->rowCount(), 2);
    QTRY_COMPARE(rowTexts(list, 0), (QStringList{u"QF-100"_s, u"2"_s, u"10 bytes"_s, u"complete"_s}));
    QCOMPARE(rowTexts(list, 1).at(2), u"4.3 GB"_s);

    clock.restart();
    window->reject();
    QTRY_VERIFY(!rig.window->findChild<HistoryWindow *>());
    QVERIFY2(clock.elapsed() < 500, qPrintable(u"the window took %1 ms to close"_s.arg(clock.elapsed())));
}

void TestHistory::interruptedDownloadIsToldOnce()
{
    MainWindowRig rig;
    placeFile(rig.folder.historyPath(u"2026-12-07 08-30-00 QFU-ST.mes.part"_s), "first\r\n1.0\r\n2.0\r\n"_ba);
    rig.start();
    QCOMPARE(rig.dialogs.size(), 1);
    QCOMPARE(rig.dialogs.first().kind, DialogRouter::Kind::Notice);
    QCOMPARE(rig.dialogs.first().title, u"Interrupted download"_s);
    const QString text = rig.dialogs.first().text;
    QVERIFY2(text.contains(u"QFU-ST"_s) && text.contains(u"3 lines were kept"_s)
                 && text.contains(u"2026"_s) && text.contains(u"8:30:00"_s) && !text.contains(u"UTC"_s),
             qPrintable(text));
    // Its Open button was answered: the download is in the list.
    QCOMPARE(rig.entries(), (QList<QByteArray>{"first"_ba, "1.0"_ba, "2.0"_ba}));
    QCOMPARE(rig.folder.historyFiles(), QStringList{u"2026-12-07 08-30-00 QFU-ST (interrupted).mes"_s});

    rig.dialogs.clear();
    rig.window.reset();
    rig.start();
    QVERIFY(rig.dialogs.isEmpty());
}

// The disk fills up during the download: the download goes on, the copy
// keeps the lines that fit, and the end of the download says so.
void TestHistory::fullDiskKeepsTheDownloadAndSaysWhy()
{
    MainWindowRig rig;
    rig.start();
    {
        SwappedCalls calls;
        // Room for two whole lines and part of the third.
        calls->write = writeWithRoom(40, ENOSPC);
        download(rig, "mnuDuramoFN", InstrumentFamily::DuramoFn);
    }
    // The DURAMO FE-S / FN's records end in CR alone, which the list leaves out.
    QCOMPARE(rig.entries(), sampleLines(InstrumentFamily::DuramoFn));
    QVERIFY(rig.restored());
    const QStringList kept = rig.folder.historyFiles();
    QCOMPARE(kept.size(), 1);
    QVERIFY2(kept.first().endsWith(u" DURAMO FE-S - FN (incomplete copy).mes"_s), qPrintable(kept.first()));
    QCOMPARE(readFile(rig.folder.historyPath(kept.first())), "DURAMO FE-S  Memory\r\n  21.4 um\r\n"_ba);
    QCOMPARE(rig.dialogs.size(), 1);
    QCOMPARE(rig.dialogs.first().title, u"Download history"_s);
    const QString text = rig.dialogs.first().text;
    QVERIFY2(text.startsWith(u"The history copy of this download is incomplete:\nThe history copy stopped after 2 "
                             "lines: write "_s)
                 && text.contains(u".mes.part: No space left on device\n\nWhat it holds is kept as "_s)
                 && text.contains(kept.first()),
             qPrintable(text));
}

// The copy's finished file is written at the end of the download; a disk that
// stalls there for 2 s must not hold the window, which goes on answering
// while the download waits, and then names the copy on its status line.
void TestHistory::stalledDiskAtTheEndHoldsNoWindow()
{
    SwappedCalls calls;   // outlives the window and the journal's threads
    MainWindowRig rig;
    rig.start();
    StalledFileSync sync{std::chrono::milliseconds(2000)};
    calls->fsync = sync.call();
    QList<Clock::time_point> ticks;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ticks.append(Clock::now()); });
    ticker.start(5);
    download(rig, "mnuDuramoFN", InstrumentFamily::DuramoFn);
    const Clock::time_point ended = Clock::now();
    ticker.stop();

    QVERIFY2(sync.happened(), "the finished copy was never synced");
    // The longest the window's events waited from the stall's start to the
    // end of the download.
    Clock::time_point previous = sync.beganAt();
    qint64 longest = 0;
    for (Clock::time_point tick : std::as_const(ticks)) {
        if (tick <= previous)
            continue;
        longest = std::max(longest, msBetween(previous, tick));
        previous = tick;
    }
    longest = std::max(longest, msBetween(previous, ended));
    QVERIFY2(longest <= 50, qPrintable(u"the window was held %1 ms while the copy was synced"_s.arg(longest)));
    QVERIFY2(msBetween(sync.beganAt(), ended) >= 2000, "the download ended before its copy was written");

    QVERIFY(!rig.timedOut);
    QVERIFY(rig.restored());
    const QString copy = rig.newestHistoryFile();
    QVERIFY2(copy.endsWith(u" DURAMO FE-S - FN.mes"_s), qPrintable(copy));
    QCOMPARE(rig.folder.historyFiles(), QStringList{copy});
    QCOMPARE(rig.statusLine(), u"5 lines received up to \"End\"; history copy: "_s + copy);
    QCOMPARE(readFile(rig.folder.historyPath(copy)), DuramoFnFile);
    rig.fileAnswer = rig.folder.filePath(u"mes/saved.mes"_s);
    rig.trigger("mnuSpeichern");
    QCOMPARE(readFile(*rig.fileAnswer), DuramoFnFile);
    QVERIFY(rig.dialogs.isEmpty());
}

// The window is closed while the download waits for the stalled disk: it
// closes at once, and the copy is finished before the program ends (never
// left half written), so the next start finds nothing interrupted.
void TestHistory::windowClosedWhileTheCopyEnds()
{
    SwappedCalls calls;   // outlives the window and the journal's threads
    MainWindowRig rig;
    rig.start();
    StalledFileSync sync{std::chrono::milliseconds(1500), [&rig] {
                             QMetaObject::invokeMethod(rig.window.get(), &QWidget::close, Qt::QueuedConnection);
                         }};
    calls->fsync = sync.call();
    download(rig, "mnuDuramoFN", InstrumentFamily::DuramoFn);
    const Clock::time_point ended = Clock::now();

    QVERIFY2(sync.happened(), "the finished copy was never synced");
    const qint64 endedAfter = msBetween(sync.beganAt(), ended);
    QVERIFY2(rig.window->host().isEnding() && !rig.window->isVisible(),
             qPrintable(u"the download ended %1 ms after the stall began, the window still open"_s.arg(endedAfter)));
    // The close comes with a pause of 200 ms to let the port settle.
    QVERIFY2(endedAfter < 500, qPrintable(u"the window closed %1 ms after the stall began"_s.arg(endedAfter)));
    QVERIFY(!rig.window->host().comm().portOpen());

    // The program ends: it waits for the copy.
    rig.window.reset();
    QVERIFY2(msBetween(sync.beganAt(), Clock::now()) >= 1500, "the program ended before its copy was written");
    const QStringList kept = rig.folder.historyFiles();
    QCOMPARE(kept.size(), 1);
    QVERIFY2(kept.first().endsWith(u" DURAMO FE-S - FN.mes"_s), qPrintable(kept.first()));
    QCOMPARE(readFile(rig.folder.historyPath(kept.first())), DuramoFnFile);

    rig.dialogs.clear();
    rig.start();
    QVERIFY(rig.dialogs.isEmpty());
    QCOMPARE(rig.folder.historyFiles(), kept);
}

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
