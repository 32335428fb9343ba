// The history's copy of a download on its own: the file names, the growing
// .mes.part and its lock, the finished file, the listing and the claim of
// downloads whose program ended.
#include "AppendFile.h"
#include "HistoryJournal.h"
#include "HistoryListing.h"
#include "HistoryNames.h"

#include "FailingDisk.h"
#include "TestFiles.h"
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <fcntl.h>
#include <sys/file.h>
#include <time.h>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(HistoryEnding)

namespace {

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

QDateTime at(const char *text)
{
    return QDateTime::fromString(QString::fromLatin1(text), u"yyyy-MM-dd HH:mm:ss"_s);
}

// "line 01\r\n" ... : count lines of 9 bytes each, numbered from `from`.
QList<QByteArray> numberedLines(int from, int count)
{
    QList<QByteArray> lines;
    for (int i = from; i < from + count; ++i)
        lines.append(QByteArray("line ") + QByteArray::number(i).rightJustified(2, '0'));
    return lines;
}

QByteArray asFile(const QList<QByteArray> &lines)
{
    QByteArray bytes;
    for (const QByteArray &line : lines)
        bytes += line + "\r\n";
    return bytes;
}

// Ends the copy as a download does: lets events run until the journal tells
// what it kept.
DownloadJournal::Kept ended(HistoryJournal &journal, ReceiveEnd end, const QByteArray &assembledText)
{
    journal.finish(end, assembledText);
    std::optional<DownloadJournal::Kept> kept;
    if (!QTest::qWaitFor([&] { return (kept = journal.kept()).has_value(); }, 10000))
        return {{}, u"the journal never told what it kept"_s};
    return *kept;
}

// A journal on a folder of its own, the clock at 2026-12-07 14:03:22, and
// what its stopped handler was told and on which thread.
struct JournalRig
{
    QTemporaryDir data;
    QString folder = data.filePath(u"history"_s);
    HistoryJournal journal{folder};
    QStringList stopped;
    QList<QThread *> stoppedOn;

    JournalRig()
    {
        journal.setClock([] { return at("2026-12-07 14:03:22"); });
        journal.begin(u"QF-100"_s, [this](const QString &reason) {
            stopped.append(reason);
            stoppedOn.append(QThread::currentThread());
        });
    }
    QString path(const QString &name) const { return folder + u'/' + name; }
    // Grows the list by these lines, as the receiver does.
    void receive(QList<QByteArray> &list, const QList<QByteArray> &lines)
    {
        const qsizetype first = list.size();
        list += lines;
        journal.append(list, first);
    }
};

} // namespace

class TestJournal : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void namesAFileManagerShows();
    void namesReadBack_data();
    void namesReadBack();
    void linesAsOpenCountsThem_data();
    void linesAsOpenCountsThem();
    void runningCopyGrowsLockedThenBecomesSavesFile();
    void sameSecondSameInstrumentGetsItsOwnFile();
    void nothingReceivedKeepsNothing();
    void unwritableFolderFailsOnceAndKeepsNoPart();
    void claimTakesOnlyUnheldPartsAndOnlyOnce();
    void troubleKeepsTheWholeLinesAsIncompleteCopy_data();
    void troubleKeepsTheWholeLinesAsIncompleteCopy();
    void finalFileFailingKeepsThePart();
    void stalledDiskHoldsNoCaller();
    void fatStickWithoutHardLinks();
    void historyDeletedDuringTheDownloadIsMadeAgain();
    void unopenablePartCountsAsRunning();
    void claimLocksWithAWritableDescriptor();
    void finishedDownloadBesideItsPartIsNoInterruption();
    void timesTheLocalClockSkippedAreRead();
};

// The whole names are seen where the copies are made; here, every character
// some file system refuses, a control character, and a trailing dot and
// blank that Windows drops.
void TestJournal::namesAFileManagerShows()
{
    QCOMPARE(fileSafeName(u"a\\b:c*d?e\"f<g>h|i\tj. "_s), u"a-b-c-d-e-f-g-h-i-j"_s);
}

void TestJournal::namesReadBack_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("download");
    QTest::addColumn<QString>("instrument");
    QTest::addColumn<HistoryEnding>("ending");
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("shown");   // the ending as the listing shows it

    QTest::newRow("esc, second of its second")
        << u"2026-12-07 14-03-22 QF-100 (2) (stopped by ESC).mes"_s << true << u"QF-100"_s
        << HistoryEnding::StoppedByEsc << u"2026-12-07 14-03-22 QF-100 (2)"_s << u"stopped by ESC"_s;
    QTest::newRow("lost") << u"2026-01-31 00-00-00 ORVIK FE-B - FN-B (connection lost).mes"_s << true
                          << u"ORVIK FE-B / FN-B"_s << HistoryEnding::ConnectionLost
                          << u"2026-01-31 00-00-00 ORVIK FE-B - FN-B"_s << u"connection lost"_s;
    QTest::newRow("running") << u"2026-01-31 00-00-00 QFU-ST.mes.part"_s << true << u"QFU-ST"_s
                             << HistoryEnding::Running << u"2026-01-31 00-00-00 QFU-ST"_s << u"running"_s;
    QTest::newRow("unknown instrument shown as named")
        << u"2026-01-31 00-00-00 Some gauge (interrupted).mes"_s << true << u"Some gauge"_s
        << HistoryEnding::Interrupted << u"2026-01-31 00-00-00 Some gauge"_s << u"interrupted"_s;
    QTest::newRow("esc, incomplete copy")
        << u"2026-12-07 14-03-22 QF-100 (2) (stopped by ESC, incomplete copy).mes"_s << true << u"QF-100"_s
        << HistoryEnding::StoppedByEsc << u"2026-12-07 14-03-22 QF-100 (2)"_s
        << u"stopped by ESC, incomplete copy"_s;
    QTest::newRow("complete, incomplete copy")
        << u"2026-01-31 00-00-00 QFU-ST (incomplete copy).mes"_s << true << u"QFU-ST"_s
        << HistoryEnding::Complete << u"2026-01-31 00-00-00 QFU-ST"_s << u"incomplete copy"_s;
    QTest::newRow("a saved file") << u"Test.mes"_s << false << QString() << HistoryEnding::Complete << QString()
                                  << QString();
    QTest::newRow("no such time") << u"2026-13-40 25-61-00 QFU-ST.mes"_s << false << QString()
                                  << HistoryEnding::Complete << QString() << QString();
    QTest::newRow("an ending on a running copy") << u"2026-01-31 00-00-00 QFU-ST (interrupted).mes.part"_s << false
                                                 << QString() << HistoryEnding::Complete << QString() << QString();
    QTest::newRow("incomplete running copy") << u"2026-01-31 00-00-00 QFU-ST (incomplete copy).mes.part"_s << false
                                             << QString() << HistoryEnding::Complete << QString() << QString();
    QTest::newRow("temporary of the journal") << u".journal-AbC123"_s << false << QString()
                                              << HistoryEnding::Complete << QString() << QString();
}

void TestJournal::namesReadBack()
{
    QFETCH(QString, file);
    QFETCH(bool, download);
    QFETCH(QString, instrument);
    QFETCH(HistoryEnding, ending);
    QFETCH(QString, base);
    QFETCH(QString, shown);

    const std::optional<HistoryName> name = parseHistoryName(file);
    QCOMPARE(name.has_value(), download);
    if (!download)
        return;
    QCOMPARE(name->instrument, instrument);
    QCOMPARE(name->ending, ending);
    QCOMPARE(name->baseName, base);
    QCOMPARE(endingText(name->ending, name->incompleteCopy), shown);
    QCOMPARE(name->start.time().second(), 0 + (file.startsWith(u"2026-12-07"_s) ? 22 : 0));
}

void TestJournal::linesAsOpenCountsThem_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint64>("lines");
    QTest::newRow("empty") << QByteArray() << qint64(0);
    QTest::newRow("saved file: lines, then two bare line ends") << "a\r\nb\r\n\r\n\r\n"_ba << qint64(2);
    QTest::newRow("CR alone ends a line, LF alone does not") << "a\rb\nc\r\nd"_ba << qint64(3);
    QTest::newRow("LF after CR belongs to the line end only") << "\r\n\n\r\n"_ba << qint64(1);
    // One line across the 64 KiB pieces the count reads in.
    QTest::newRow("line longer than a read") << QByteArray(70000, 'x') + "\r\n" << qint64(1);
}

void TestJournal::linesAsOpenCountsThem()
{
    QFETCH(QByteArray, bytes);
    QFETCH(qint64, lines);
    QBuffer buffer(&bytes);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    QCOMPARE(countOpenedLines(buffer), lines);
}

void TestJournal::runningCopyGrowsLockedThenBecomesSavesFile()
{
    JournalRig rig;
    QVERIFY(!QDir(rig.folder).exists());
    QList<QByteArray> list;
    rig.receive(list, {"first"_ba, "12.5 um"_ba});
    const QString part = rig.path(u"2026-12-07 14-03-22 QF-100.mes.part"_s);
    QTRY_COMPARE(readFile(part), "first\r\n12.5 um\r\n"_ba);
    QVERIFY(AppendFile::isLocked(part));
    QCOMPARE(listHistory(rig.folder).first().ending, HistoryEnding::Running);
    // A second program starting now leaves it alone.
    QVERIFY(claimInterrupted(rig.folder).isEmpty());

    rig.receive(list, {"13.0 um\r"_ba, "End"_ba});
    QTRY_COMPARE(readFile(part), "first\r\n12.5 um\r\n13.0 um\r\r\nEnd\r\n"_ba);
    QCOMPARE(filesIn(rig.folder), QStringList{QFileInfo(part).fileName()});

    const DownloadJournal::Kept kept = ended(rig.journal, ReceiveEnd::EndMark, "12.5 um\r\n13.0 um\r\r\nEnd\r\n\r\n"_ba);
    QCOMPARE(filesIn(rig.folder), QStringList{u"2026-12-07 14-03-22 QF-100.mes"_s});
    QCOMPARE(kept.path, rig.path(u"2026-12-07 14-03-22 QF-100.mes"_s));
    // What Save writes: the assembled text and one more CR LF.
    QCOMPARE(readFile(kept.path), "12.5 um\r\n13.0 um\r\r\nEnd\r\n\r\n\r\n"_ba);
    QVERIFY(kept.problem.isEmpty());
    QVERIFY(rig.stopped.isEmpty());
}

void TestJournal::sameSecondSameInstrumentGetsItsOwnFile()
{
    QTemporaryDir data;
    HistoryJournal journal(data.path());
    journal.setClock([] { return at("2026-12-07 14:03:22"); });
    const QList<QByteArray> entries{"a"_ba, "b"_ba};
    journal.begin(u"QFU-ST"_s);
    journal.append(entries, 0);
    ended(journal, ReceiveEnd::Esc, "b\r\n\r\n"_ba);
    journal.begin(u"QFU-ST"_s);
    journal.append(entries, 0);
    QTRY_VERIFY(QFileInfo::exists(data.filePath(u"2026-12-07 14-03-22 QFU-ST (2).mes.part"_s)));
    // A second copy of the program, same second, same instrument.
    HistoryJournal other(data.path());
    other.setClock([] { return at("2026-12-07 14:03:22"); });
    other.begin(u"QFU-ST"_s);
    other.append(entries, 0);
    ended(journal, ReceiveEnd::DeviceLost, "b\r\n\r\n"_ba);
    ended(other, ReceiveEnd::EndMark, "b\r\n\r\n"_ba);
    QCOMPARE(filesIn(data.path()), (QStringList{u"2026-12-07 14-03-22 QFU-ST (2) (connection lost).mes"_s,
                                                u"2026-12-07 14-03-22 QFU-ST (3).mes"_s,
                                                u"2026-12-07 14-03-22 QFU-ST (stopped by ESC).mes"_s}));
}

void TestJournal::nothingReceivedKeepsNothing()
{
    JournalRig rig;
    rig.journal.append({}, 0);
    const DownloadJournal::Kept kept = ended(rig.journal, ReceiveEnd::Esc, {});
    QVERIFY(!QDir(rig.folder).exists());
    QVERIFY(kept.path.isEmpty());
    QVERIFY(kept.problem.isEmpty());
}

void TestJournal::unwritableFolderFailsOnceAndKeepsNoPart()
{
    JournalRig rig;
    QVERIFY(writeFile(rig.folder, {}));   // a file where the folder should be
    QList<QByteArray> list;
    rig.receive(list, {"a"_ba});
    rig.receive(list, {"b"_ba});
    const DownloadJournal::Kept kept = ended(rig.journal, ReceiveEnd::EndMark, "b\r\n\r\n"_ba);
    QVERIFY2(kept.problem.contains(u"history"_s), qPrintable(kept.problem));
    QVERIFY(kept.path.isEmpty());
    // Told once, at once, and again at the end.
    QCOMPARE(rig.stopped, QStringList{kept.problem});
    QCOMPARE(filesIn(rig.data.path()), QStringList{u"history"_s});
}

void TestJournal::claimTakesOnlyUnheldPartsAndOnlyOnce()
{
    QTemporaryDir data;
    QVERIFY(writeFile(data.filePath(u"2026-12-05 09-00-00 QFU-ST.mes.part"_s), "1\r\n2\r\n"_ba));
    HistoryJournal running(data.path());
    running.setClock([] { return at("2026-12-07 10:00:00"); });
    running.begin(u"QF-100"_s);
    running.append({"r"_ba}, 0);
    QTRY_VERIFY(QFileInfo::exists(data.filePath(u"2026-12-07 10-00-00 QF-100.mes.part"_s)));

    const QList<HistoryItem> claimed = claimInterrupted(data.path());
    QCOMPARE(claimed.size(), 1);
    QCOMPARE(claimed.first().path, data.filePath(u"2026-12-05 09-00-00 QFU-ST (interrupted).mes"_s));
    QCOMPARE(claimed.first().instrument, u"QFU-ST"_s);
    QCOMPARE(claimed.first().lines, 2);
    QCOMPARE(readFile(claimed.first().path), "1\r\n2\r\n"_ba);
    QVERIFY(claimInterrupted(data.path()).isEmpty());
    QCOMPARE(filesIn(data.path()), (QStringList{u"2026-12-05 09-00-00 QFU-ST (interrupted).mes"_s,
                                                u"2026-12-07 10-00-00 QF-100.mes.part"_s}));
    // Its program ends without finishing: now it is interrupted too.
    running.abandon();
    QCOMPARE(claimInterrupted(data.path()).size(), 1);
}

void TestJournal::troubleKeepsTheWholeLinesAsIncompleteCopy_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("call");      // the failed call and the system's reason
    QTest::addColumn<int>("kept");          // lines kept of the 30 received

    // 11 lines of 9 bytes and one byte of the 12th fit.
    QTest::newRow("disk full") << u"ENOSPC"_s << u"write %1: No space left on device"_s << 11;
    QTest::newRow("quota") << u"EDQUOT"_s << u"write %1: Disk quota exceeded"_s << 11;
    QTest::newRow("file-size limit") << u"EFBIG"_s << u"write %1: File too large"_s << 11;
    // The first batch is written, its sync fails.
    QTest::newRow("EIO at sync") << u"EIO"_s << u"fdatasync %1: Input/output error"_s << 3;
}

// The disk fails mid-download: the copy keeps what reached it, cut back to
// its last whole line, stops, says so at once (on the download's thread, not
// the writer's), and at the end is kept under a name that says how the
// download ended and that the copy is incomplete.
void TestJournal::troubleKeepsTheWholeLinesAsIncompleteCopy()
{
    QFETCH(QString, fault);
    QFETCH(QString, call);
    QFETCH(int, kept);

    JournalRig rig;
    const QString part = rig.path(u"2026-12-07 14-03-22 QF-100.mes.part"_s);
    QList<QByteArray> list;
    DownloadJournal::Kept result;
    {
        SwappedCalls calls;
        if (fault == u"EIO")
            calls->fdatasync = failingWith<int>(EIO);
        else
            calls->write = writeWithRoom(100, fault == u"ENOSPC" ? ENOSPC : fault == u"EDQUOT" ? EDQUOT : EFBIG);
        rig.receive(list, numberedLines(0, 3));
        QTRY_COMPARE(rig.stopped.size() + (fault == u"EIO" ? 0 : 1), 1);
        for (int batch = 1; batch < 10; ++batch)
            rig.receive(list, numberedLines(3 * batch, 3));
        QTRY_COMPARE(rig.stopped.size(), 1);
        result = ended(rig.journal, ReceiveEnd::Esc, "whatever the list holds\r\n"_ba);
    }
    const QString incomplete = rig.path(u"2026-12-07 14-03-22 QF-100 (stopped by ESC, incomplete copy).mes"_s);
    QCOMPARE(filesIn(rig.folder), QStringList{QFileInfo(incomplete).fileName()});
    QCOMPARE(readFile(incomplete), asFile(numberedLines(0, kept)));
    QCOMPARE(result.path, incomplete);
    const QString reason = u"The history copy stopped after %1 lines: %2"_s.arg(kept).arg(call.arg(part));
    QCOMPARE(rig.stopped, QStringList{reason});
    QCOMPARE(rig.stoppedOn, QList<QThread *>{QThread::currentThread()});
    QCOMPARE(result.problem, reason);
}

// All lines reached the .part, but the finished file cannot be written: the
// .part is what is kept, under its incomplete name.
void TestJournal::finalFileFailingKeepsThePart()
{
    JournalRig rig;
    QList<QByteArray> list;
    DownloadJournal::Kept result;
    {
        SwappedCalls calls;
        // The finished file's sync fails; the .part's data sync and the
        // folder's sync do not.
        calls->fsync = [](int fd) {
            struct stat info{};
            if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode))
                return ::fsync(fd);
            errno = EIO;
            return -1;
        };
        rig.receive(list, numberedLines(0, 4));
        result = ended(rig.journal, ReceiveEnd::DeviceLost, "line 01\r\nline 02\r\nline 03\r\n\r\n"_ba);
    }
    QVERIFY(rig.stopped.isEmpty());
    const QString incomplete = rig.path(u"2026-12-07 14-03-22 QF-100 (connection lost, incomplete copy).mes"_s);
    QCOMPARE(result.path, incomplete);
    QCOMPARE(result.problem,
             u"The history copy could not be finished: fsync %1: Input/output error"_s.arg(
                 rig.path(u"2026-12-07 14-03-22 QF-100 (connection lost).mes"_s)));
    QCOMPARE(filesIn(rig.folder), QStringList{QFileInfo(incomplete).fileName()});
    QCOMPARE(readFile(incomplete), asFile(numberedLines(0, 4)));
}

// A disk that stalls for 2 s (a USB stick that is busy, a slow network
// share) must not hold the download's thread, which is the window's.
void TestJournal::stalledDiskHoldsNoCaller()
{
    JournalRig rig;
    QList<QByteArray> list;
    qint64 longest = 0;
    DownloadJournal::Kept result;
    {
        SwappedCalls calls;
        auto stalled = std::make_shared<std::atomic<bool>>(false);
        calls->write = [stalled, stall = writeStalling(std::chrono::milliseconds(2000))](
                           int fd, const void *data, size_t size) -> ssize_t {
            return stalled->exchange(true) ? ::write(fd, data, size) : stall(fd, data, size);
        };
        QElapsedTimer clock;
        for (int batch = 0; batch < 5; ++batch) {
            clock.start();
            rig.receive(list, numberedLines(3 * batch, 3));
            longest = std::max(longest, clock.elapsed());
            QTest::qWait(100);
        }
        result = ended(rig.journal, ReceiveEnd::EndMark, "the list\r\n"_ba);
    }
    QVERIFY2(longest <= 50, qPrintable(u"a batch of lines held the caller %1 ms"_s.arg(longest)));
    QCOMPARE(result.path, rig.path(u"2026-12-07 14-03-22 QF-100.mes"_s));
    QCOMPARE(readFile(result.path), "the list\r\n\r\n"_ba);
    QVERIFY(rig.stopped.isEmpty());
}

// FAT and exFAT (the usual USB stick) have no hard links: link() fails with
// EPERM. The .part is then made under its own name, locked at once.
void TestJournal::fatStickWithoutHardLinks()
{
    JournalRig rig;
    const QString part = rig.path(u"2026-12-07 14-03-22 QF-100.mes.part"_s);
    QList<QByteArray> list;
    DownloadJournal::Kept result;
    {
        SwappedCalls calls;
        calls->link = failingWith<const char *, const char *>(EPERM);
        rig.receive(list, numberedLines(0, 2));
        QTRY_COMPARE(readFile(part), asFile(numberedLines(0, 2)));
        QVERIFY(AppendFile::isLocked(part));
        QCOMPARE(filesIn(rig.folder), QStringList{QFileInfo(part).fileName()});
        result = ended(rig.journal, ReceiveEnd::EndMark, "line 01\r\n"_ba);
    }
    QVERIFY(rig.stopped.isEmpty());
    QCOMPARE(result.path, rig.path(u"2026-12-07 14-03-22 QF-100.mes"_s));
    QCOMPARE(filesIn(rig.folder), QStringList{u"2026-12-07 14-03-22 QF-100.mes"_s});
}

void TestJournal::historyDeletedDuringTheDownloadIsMadeAgain()
{
    JournalRig rig;
    QList<QByteArray> list;
    rig.receive(list, numberedLines(0, 2));
    QTRY_VERIFY(QFileInfo::exists(rig.path(u"2026-12-07 14-03-22 QF-100.mes.part"_s)));
    QVERIFY(QDir(rig.folder).removeRecursively());
    rig.receive(list, numberedLines(2, 2));
    const DownloadJournal::Kept result = ended(rig.journal, ReceiveEnd::EndMark, "line 01\r\n"_ba);
    QVERIFY2(result.problem.isEmpty(), qPrintable(result.problem));
    QCOMPARE(result.path, rig.path(u"2026-12-07 14-03-22 QF-100.mes"_s));
    QCOMPARE(readFile(result.path), "line 01\r\n\r\n"_ba);
}

// Another user's running download: its .part cannot be opened here. It is
// running, not interrupted, and left alone.
void TestJournal::unopenablePartCountsAsRunning()
{
    QTemporaryDir data;
    const QString part = data.filePath(u"2026-12-05 09-00-00 QFU-ST.mes.part"_s);
    QVERIFY(writeFile(part, "1\r\n"_ba));
    QList<HistoryItem> listed;
    QList<HistoryItem> claimed;
    {
        SwappedCalls calls;
        calls->open = [part](const char *path, int flags, mode_t mode) {
            if (QFile::decodeName(path) != part)
                return ::open(path, flags, mode);
            errno = EACCES;
            return -1;
        };
        listed = listHistory(data.path());
        claimed = claimInterrupted(data.path());
    }
    QCOMPARE(listed.size(), 1);
    QCOMPARE(listed.first().ending, HistoryEnding::Running);
    QVERIFY(claimed.isEmpty());
    QCOMPARE(filesIn(data.path()), QStringList{QFileInfo(part).fileName()});
}

// Over NFS flock() is a lock of the server's, and an exclusive one needs a
// descriptor open for writing.
void TestJournal::claimLocksWithAWritableDescriptor()
{
    QTemporaryDir data;
    QVERIFY(writeFile(data.filePath(u"2026-12-05 09-00-00 QFU-ST.mes.part"_s), "1\r\n"_ba));
    QList<HistoryItem> claimed;
    {
        SwappedCalls calls;
        calls->flock = [](int fd, int operation) {
            if ((operation & LOCK_EX) && (::fcntl(fd, F_GETFL) & O_ACCMODE) == O_RDONLY) {
                errno = EBADF;
                return -1;
            }
            return ::flock(fd, operation);
        };
        claimed = claimInterrupted(data.path());
    }
    QCOMPARE(claimed.size(), 1);
    QCOMPARE(filesIn(data.path()), QStringList{u"2026-12-05 09-00-00 QFU-ST (interrupted).mes"_s});
}

// A power cut after the finished file was written but before its .part was
// removed leaves both: that download was not interrupted.
void TestJournal::finishedDownloadBesideItsPartIsNoInterruption()
{
    QTemporaryDir data;
    for (const QString &name : {u"2026-12-05 09-00-00 QFU-ST (stopped by ESC).mes"_s,
                                u"2026-12-05 09-00-00 QFU-ST.mes.part"_s})
        QVERIFY(writeFile(data.filePath(name), "1\r\n"_ba));
    QVERIFY(claimInterrupted(data.path()).isEmpty());
    QCOMPARE(filesIn(data.path()), QStringList{u"2026-12-05 09-00-00 QFU-ST (stopped by ESC).mes"_s});
}

// A laptop that travelled, or a name made under another zone: 02:30 on the
// day the clocks of Europe/Berlin skip from 02:00 to 03:00 is still the
// download's name and time, shown as named and claimed.
void TestJournal::timesTheLocalClockSkippedAreRead()
{
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "Europe/Berlin");
    tzset();
    const auto restore = qScopeGuard([&] {
        qputenv("TZ", zone);
        tzset();
    });
    QTemporaryDir data;
    for (const QString &name : {u"2026-03-29 02-30-00 QFU-ST.mes"_s, u"2026-03-29 02-45-10 QF-100.mes.part"_s})
        QVERIFY(writeFile(data.filePath(name), "1\r\n"_ba));
    const std::optional<HistoryName> name = parseHistoryName(u"2026-03-29 02-30-00 QFU-ST.mes"_s);
    QVERIFY(name.has_value());
    QCOMPARE(name->start.toString(u"yyyy-MM-dd HH:mm:ss"_s), u"2026-03-29 02:30:00"_s);

    const QList<HistoryItem> claimed = claimInterrupted(data.path());
    QCOMPARE(claimed.size(), 1);
    QCOMPARE(claimed.first().path, data.filePath(u"2026-03-29 02-45-10 QF-100 (interrupted).mes"_s));
    const QList<HistoryItem> listed = listHistory(data.path());
    QCOMPARE(listed.size(), 2);
    QCOMPARE(listed.at(0).start.toString(u"yyyy-MM-dd HH:mm:ss"_s), u"2026-03-29 02:45:10"_s);
    QCOMPARE(listed.at(1).instrument, u"QFU-ST"_s);
}

QTEST_GUILESS_MAIN(TestJournal)
#include "tst_journal.moc"
