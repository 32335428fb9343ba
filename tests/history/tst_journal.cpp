// The history's copy of a download on its own: the file names, the growing
// .mes.part and its lock, the finished file, the listing and the claim of
// downloads whose program ended.
#include "AppendFile.h"
#include "HistoryJournal.h"
#include "HistoryListing.h"
#include "HistoryNames.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(HistoryEnding)

namespace {

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

QDateTime at(const char *text)
{
    return QDateTime::fromString(QString::fromLatin1(text), u"yyyy-MM-dd HH:mm:ss"_s);
}

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
    void listingNewestFirstWithEndings();
    void claimTakesOnlyUnheldPartsAndOnlyOnce();
};

void TestJournal::namesAFileManagerShows()
{
    QCOMPARE(journalBaseName(at("2026-12-07 14:03:22"), u"DURAMO 5/10/20 ST"_s),
             u"2026-12-07 14-03-22 DURAMO 5-10-20 ST"_s);
    QCOMPARE(journalBaseName(at("2026-12-07 14:03:22"), u"KESTRA II / DURAMO 80F-ST"_s, 3),
             u"2026-12-07 14-03-22 KESTRA II - DURAMO 80F-ST (3)"_s);
    // Every character some file system refuses, a control character, and a
    // trailing dot and blank that Windows drops.
    QCOMPARE(fileSafeName(u"a\\b:c*d?e\"f<g>h|i\tj. "_s), u"a-b-c-d-e-f-g-h-i-j"_s);
    QCOMPARE(runningFileName(u"B"_s), u"B.mes.part"_s);
    QCOMPARE(finishedFileName(u"B"_s, HistoryEnding::Complete), u"B.mes"_s);
    QCOMPARE(finishedFileName(u"B"_s, HistoryEnding::StoppedByEsc), u"B (stopped by ESC).mes"_s);
    QCOMPARE(finishedFileName(u"B"_s, HistoryEnding::ConnectionLost), u"B (connection lost).mes"_s);
    QCOMPARE(finishedFileName(u"B"_s, HistoryEnding::Interrupted), u"B (interrupted).mes"_s);
}

void TestJournal::namesReadBack_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("download");
    QTest::addColumn<QString>("instrument");
    QTest::addColumn<HistoryEnding>("ending");
    QTest::addColumn<QString>("base");

    QTest::newRow("complete") << u"2026-12-07 14-03-22 DURAMO 5-10-20 ST.mes"_s << true << u"DURAMO 5/10/20 ST"_s
                              << HistoryEnding::Complete << u"2026-12-07 14-03-22 DURAMO 5-10-20 ST"_s;
    QTest::newRow("esc, second of its second")
        << u"2026-12-07 14-03-22 QF-100 (2) (stopped by ESC).mes"_s << true << u"QF-100"_s
        << HistoryEnding::StoppedByEsc << u"2026-12-07 14-03-22 QF-100 (2)"_s;
    QTest::newRow("lost") << u"2026-01-31 00-00-00 ORVIK FE-B - FN-B (connection lost).mes"_s << true
                          << u"ORVIK FE-B / FN-B"_s << HistoryEnding::ConnectionLost
                          << u"2026-01-31 00-00-00 ORVIK FE-B - FN-B"_s;
    QTest::newRow("running") << u"2026-01-31 00-00-00 QFU-ST.mes.part"_s << true << u"QFU-ST"_s
                             << HistoryEnding::Running << u"2026-01-31 00-00-00 QFU-ST"_s;
    QTest::newRow("unknown instrument shown as named")
        << u"2026-01-31 00-00-00 Some gauge (interrupted).mes"_s << true << u"Some gauge"_s
        << HistoryEnding::Interrupted << u"2026-01-31 00-00-00 Some gauge"_s;
    QTest::newRow("a saved file") << u"Test.mes"_s << false << QString() << HistoryEnding::Complete << QString();
    QTest::newRow("no such time") << u"2026-13-40 25-61-00 QFU-ST.mes"_s << false << QString()
                                  << HistoryEnding::Complete << QString();
    QTest::newRow("an ending on a running copy") << u"2026-01-31 00-00-00 QFU-ST (interrupted).mes.part"_s << false
                                                 << QString() << HistoryEnding::Complete << QString();
    QTest::newRow("temporary of the journal") << u".journal-AbC123"_s << false << QString()
                                              << HistoryEnding::Complete << QString();
}

void TestJournal::namesReadBack()
{
    QFETCH(QString, file);
    QFETCH(bool, download);
    QFETCH(QString, instrument);
    QFETCH(HistoryEnding, ending);
    QFETCH(QString, base);

    const std::optional<HistoryName> name = parseHistoryName(file);
    QCOMPARE(name.has_value(), download);
    if (!download)
        return;
    QCOMPARE(name->instrument, instrument);
    QCOMPARE(name->ending, ending);
    QCOMPARE(name->baseName, base);
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
    QTemporaryDir data;
    const QString folder = data.filePath(u"history"_s);
    HistoryJournal journal(folder);
    journal.setClock([] { return at("2026-12-07 14:03:22"); });
    journal.begin(u"DURAMO 5/10/20 ST"_s);
    QVERIFY(!QDir(folder).exists());

    const QList<QByteArray> first{"first"_ba, "12.5 um"_ba};
    journal.append(first, 0);
    const QString part = folder + u"/2026-12-07 14-03-22 DURAMO 5-10-20 ST.mes.part"_s;
    QCOMPARE(journal.runningPath(), part);
    QCOMPARE(bytesOf(part), "first\r\n12.5 um\r\n"_ba);
    QVERIFY(AppendFile::isLocked(part));
    QCOMPARE(listHistory(folder).first().ending, HistoryEnding::Running);
    // A second program starting now leaves it alone.
    QVERIFY(claimInterrupted(folder).isEmpty());

    const QList<QByteArray> grown = first + QList<QByteArray>{"13.0 um\r"_ba, "End"_ba};
    journal.append(grown, 2);
    QCOMPARE(bytesOf(part), "first\r\n12.5 um\r\n13.0 um\r\r\nEnd\r\n"_ba);
    QCOMPARE(filesIn(folder), QStringList{u"2026-12-07 14-03-22 DURAMO 5-10-20 ST.mes.part"_s});

    const DownloadJournal::Kept kept = journal.finish(ReceiveEnd::EndMark, "12.5 um\r\n13.0 um\r\r\nEnd\r\n\r\n"_ba);
    QCOMPARE(filesIn(folder), QStringList{u"2026-12-07 14-03-22 DURAMO 5-10-20 ST.mes"_s});
    QCOMPARE(kept.path, folder + u"/2026-12-07 14-03-22 DURAMO 5-10-20 ST.mes"_s);
    // What Save writes: the assembled text and one more CR LF.
    QCOMPARE(bytesOf(kept.path), "12.5 um\r\n13.0 um\r\r\nEnd\r\n\r\n\r\n"_ba);
    QVERIFY(kept.problem.isEmpty());
}

void TestJournal::sameSecondSameInstrumentGetsItsOwnFile()
{
    QTemporaryDir data;
    HistoryJournal journal(data.path());
    journal.setClock([] { return at("2026-12-07 14:03:22"); });
    const QList<QByteArray> entries{"a"_ba, "b"_ba};
    journal.begin(u"QFU-ST"_s);
    journal.append(entries, 0);
    journal.finish(ReceiveEnd::Esc, "b\r\n\r\n"_ba);
    journal.begin(u"QFU-ST"_s);
    journal.append(entries, 0);
    // A second copy of the program, same second, same instrument.
    HistoryJournal other(data.path());
    other.setClock([] { return at("2026-12-07 14:03:22"); });
    other.begin(u"QFU-ST"_s);
    other.append(entries, 0);
    journal.finish(ReceiveEnd::DeviceLost, "b\r\n\r\n"_ba);
    other.finish(ReceiveEnd::EndMark, "b\r\n\r\n"_ba);
    QCOMPARE(filesIn(data.path()), (QStringList{u"2026-12-07 14-03-22 QFU-ST (2) (connection lost).mes"_s,
                                                u"2026-12-07 14-03-22 QFU-ST (3).mes"_s,
                                                u"2026-12-07 14-03-22 QFU-ST (stopped by ESC).mes"_s}));
}

void TestJournal::nothingReceivedKeepsNothing()
{
    QTemporaryDir data;
    HistoryJournal journal(data.path());
    journal.begin(u"QF-2000"_s);
    journal.append({}, 0);
    const DownloadJournal::Kept kept = journal.finish(ReceiveEnd::Esc, {});
    QVERIFY(filesIn(data.path()).isEmpty());
    QVERIFY(kept.path.isEmpty());
    QVERIFY(kept.problem.isEmpty());
}

void TestJournal::unwritableFolderFailsOnceAndKeepsNoPart()
{
    QTemporaryDir data;
    QFile blocker(data.filePath(u"history"_s));
    QVERIFY(blocker.open(QIODevice::WriteOnly));   // a file where the folder should be
    blocker.close();
    HistoryJournal journal(data.filePath(u"history"_s));
    QStringList stopped;
    journal.begin(u"QF-2000"_s, [&stopped](const QString &reason) { stopped.append(reason); });
    journal.append({"a"_ba}, 0);
    journal.append({"a"_ba, "b"_ba}, 1);
    const DownloadJournal::Kept kept = journal.finish(ReceiveEnd::EndMark, "b\r\n\r\n"_ba);
    QVERIFY2(kept.problem.contains(u"history"_s), qPrintable(kept.problem));
    QVERIFY(kept.path.isEmpty());
    // Told once, at once, and again at the end.
    QCOMPARE(stopped.size(), 1);
    QCOMPARE(stopped.first(), kept.problem);
    QCOMPARE(filesIn(data.path()), QStringList{u"history"_s});
}

void TestJournal::listingNewestFirstWithEndings()
{
    QTemporaryDir data;
    const auto write = [&](const QString &name, const QByteArray &bytes) {
        QFile file(data.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    write(u"2026-12-06 09-00-00 QF-100 (stopped by ESC).mes"_s, "a\r\nb\r\n\r\n\r\n"_ba);
    write(u"2026-12-07 09-00-00 DURAMO 5-10-20 ST.mes"_s, "x\r\n\r\n\r\n"_ba);
    write(u"2026-12-05 09-00-00 QFU-ST.mes.part"_s, "1\r\n2\r\n3\r\n"_ba);
    write(u"Test.mes"_s, "not a download\r\n"_ba);

    const QList<HistoryItem> items = listHistory(data.path());
    QCOMPARE(items.size(), 3);
    QCOMPARE(items.at(0).instrument, u"DURAMO 5/10/20 ST"_s);
    QCOMPARE(items.at(0).ending, HistoryEnding::Complete);
    QCOMPARE(countFileLines(items.at(0).path), 1);
    QCOMPARE(items.at(0).size, 7);
    QCOMPARE(items.at(1).instrument, u"QF-100"_s);
    QCOMPARE(items.at(1).ending, HistoryEnding::StoppedByEsc);
    QCOMPARE(countFileLines(items.at(1).path), 2);
    // Nobody holds it: its program ended during the download.
    QCOMPARE(items.at(2).ending, HistoryEnding::Interrupted);
    QCOMPARE(countFileLines(items.at(2).path), 3);
    QCOMPARE(items.at(2).start, at("2026-12-05 09:00:00"));
}

void TestJournal::claimTakesOnlyUnheldPartsAndOnlyOnce()
{
    QTemporaryDir data;
    {
        QFile left(data.filePath(u"2026-12-05 09-00-00 QFU-ST.mes.part"_s));
        QVERIFY(left.open(QIODevice::WriteOnly));
        left.write("1\r\n2\r\n");
    }
    HistoryJournal running(data.path());
    running.setClock([] { return at("2026-12-07 10:00:00"); });
    running.begin(u"QF-100"_s);
    running.append({"r"_ba}, 0);

    const QList<HistoryItem> claimed = claimInterrupted(data.path());
    QCOMPARE(claimed.size(), 1);
    QCOMPARE(claimed.first().path, data.filePath(u"2026-12-05 09-00-00 QFU-ST (interrupted).mes"_s));
    QCOMPARE(claimed.first().instrument, u"QFU-ST"_s);
    QCOMPARE(claimed.first().lines, 2);
    QCOMPARE(bytesOf(claimed.first().path), "1\r\n2\r\n"_ba);
    QVERIFY(claimInterrupted(data.path()).isEmpty());
    QCOMPARE(filesIn(data.path()), (QStringList{u"2026-12-05 09-00-00 QFU-ST (interrupted).mes"_s,
                                                u"2026-12-07 10-00-00 QF-100.mes.part"_s}));
    // Its program ends without finishing: now it is interrupted too.
    running.abandon();
    QCOMPARE(claimInterrupted(data.path()).size(), 1);
}

QTEST_GUILESS_MAIN(TestJournal)
#include "tst_journal.moc"
