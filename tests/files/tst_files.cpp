// The file writer on a failing disk (every fault through the program's
// system-call table), the bounded reader, and the shortening of texts quoted
// in messages.
#include "ShortText.h"
#include "SmallFile.h"
#include "WholeFile.h"

#include "FailingDisk.h"
#include "TestFiles.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <optional>
#include <utility>

using namespace Qt::StringLiterals;

class TestFiles : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void writesThePartsByteForByte();
    void failedWriteKeepsTheOldFile_data();
    void failedWriteKeepsTheOldFile();
    void dataSyncedBeforeTheNameFolderAfter();
    void failedFolderSyncIsReported();
    void readsAtMostTheLimit();
    void shortensLongTexts();

private:
    QTemporaryDir m_dir;
};

void TestFiles::writesThePartsByteForByte()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString path = m_dir.filePath(u"data.mes"_s);
    QVERIFY(writeFile(path, QByteArray(100000, 'o')));

    QString reason;
    QVERIFY(writeWholeFile(path, {all, "\r\n"_ba, QByteArray(), QByteArray(70000, 'x')}, &reason));
    QCOMPARE(readFile(path), all + "\r\n"_ba + QByteArray(70000, 'x'));
    QVERIFY(writeWholeFile(path, {}));
    QCOMPARE(readFile(path), QByteArray());

    // Interrupted writes are made again, and writes that take only part of
    // their bytes are continued: the file is whole all the same.
    {
        SwappedCalls calls;
        calls->write = writeInterruptedAndShort(7);
        QVERIFY2(writeWholeFile(path, {all, "\r\n"_ba, QByteArray(5000, 'x')}, &reason), qPrintable(reason));
    }
    QCOMPARE(readFile(path), all + "\r\n"_ba + QByteArray(5000, 'x'));

    QVERIFY(!writeWholeFile(m_dir.filePath(u"missing/data.mes"_s), {"1"_ba}, &reason));
    QVERIFY2(reason.contains(u"No such file or directory"_s), qPrintable(reason));
}

void TestFiles::failedWriteKeepsTheOldFile_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("reason");   // %1: the file's path

    QTest::newRow("EIO at the file's sync") << u"fsync EIO"_s << 2000 << u"fsync %1: Input/output error"_s;
    QTest::newRow("disk full, small") << u"ENOSPC"_s << 2000 << u"write %1: No space left on device"_s;
    QTest::newRow("disk full, large") << u"ENOSPC"_s << 256 * 1024 << u"write %1: No space left on device"_s;
    QTest::newRow("quota") << u"EDQUOT"_s << 64 * 1024 << u"write %1: Disk quota exceeded"_s;
    QTest::newRow("file-size limit") << u"EFBIG"_s << 64 * 1024 << u"write %1: File too large"_s;
}

void TestFiles::failedWriteKeepsTheOldFile()
{
    QFETCH(QString, fault);
    QFETCH(int, size);
    QFETCH(QString, reason);

    QTemporaryDir scratch;
    const QDir folder(scratch.path());
    const QString path = folder.filePath(u"old.mes"_s);
    QVERIFY(writeFile(path, "old data\r\n"_ba));
    const QStringList before = folder.entryList(QDir::Files | QDir::Hidden);

    QString said;
    bool written = false;
    {
        SwappedCalls calls;
        if (fault == u"fsync EIO")
            calls->fsync = calls->fdatasync = failingWith<int>(EIO);
        else
            calls->write = writeWithRoom(1024, fault == u"ENOSPC" ? ENOSPC : fault == u"EDQUOT" ? EDQUOT : EFBIG);
        written = writeWholeFile(path, {QByteArray(size, 'x'), "\r\n"_ba}, &said);
    }
    QVERIFY(!written);
    QCOMPARE(said, reason.arg(path));
    QCOMPARE(readFile(path), "old data\r\n"_ba);
    QCOMPARE(folder.entryList(QDir::Files | QDir::Hidden), before);
}

// The promise a power cut tests: the data are on the disk before the file
// gets its name, and the name is on the disk before the writer says "saved".
void TestFiles::dataSyncedBeforeTheNameFolderAfter()
{
    QTemporaryDir scratch;
    const QString path = scratch.filePath(u"data.mes"_s);
    QVERIFY(writeFile(path, "old\r\n"_ba));
    QStringList seen;   // at each sync: what was synced, and what the name held
    {
        SwappedCalls calls;
        calls->fsync = calls->fdatasync = [&](int fd) {
            const QString synced = pathOfDescriptor(fd);
            seen.append((synced == scratch.path() ? u"folder: "_s : u"file: "_s)
                        + QString::fromLatin1(readFile(path).trimmed()));
            return ::fsync(fd);
        };
        QVERIFY(writeWholeFile(path, {"new"_ba, "\r\n"_ba}));
    }
    QCOMPARE(seen, (QStringList{u"file: old"_s, u"folder: new"_s}));
}

void TestFiles::failedFolderSyncIsReported()
{
    QTemporaryDir scratch;
    const QString path = scratch.filePath(u"data.mes"_s);
    QString reason;
    bool written = false;
    {
        SwappedCalls calls;
        calls->fsync = [&](int fd) {
            if (pathOfDescriptor(fd) != scratch.path())
                return ::fsync(fd);
            errno = EIO;
            return -1;
        };
        written = writeWholeFile(path, {"new\r\n"_ba}, &reason);
    }
    QVERIFY(!written);
    QCOMPARE(reason, u"fsync %1: Input/output error"_s.arg(scratch.path()));
}

void TestFiles::readsAtMostTheLimit()
{
    const QString path = m_dir.filePath(u"Port.txt"_s);
    const auto read = [&](const QByteArray &content, qsizetype limit) {
        [&] { QVERIFY(writeFile(path, content)); }();
        const SmallFile file = readSmallFile(path, limit);
        return file.read ? std::optional(std::pair(file.bytes, file.larger)) : std::nullopt;
    };
    using Read = std::optional<std::pair<QByteArray, bool>>;
    QCOMPARE(read(QByteArray(), 16), Read({QByteArray(), false}));
    QCOMPARE(read(" 3\r\n"_ba, 4), Read({" 3\r\n"_ba, false}));
    QCOMPARE(read(" 3\r\n\r"_ba, 4), Read({" 3\r\n"_ba, true}));
    QCOMPARE(read(" 12"_ba + QByteArray(10 << 20, '9'), 6), Read({" 12999"_ba, true}));

    const SmallFile missing = readSmallFile(m_dir.filePath(u"none.txt"_s), 16);
    QVERIFY(!missing.read);
    QVERIFY2(missing.reason.contains(u"No such file or directory"_s), qPrintable(missing.reason));
    QVERIFY(!readSmallFile(m_dir.path(), 16).read);
}

void TestFiles::shortensLongTexts()
{
    const QString forty = u"0123456789abcdefghijklmnopqrstuvwxyz.,;:"_s;
    QCOMPARE(shortForMessage(forty), forty);
    QCOMPARE(shortForMessage(forty + u"!"_s), forty + u"…"_s);
    QCOMPARE(shortForMessage(QString(10 << 20, u'7')), QString(40, u'7') + u"…"_s);
    // A character of two UTF-16 units at the cut goes whole.
    QCOMPARE(shortForMessage(QString(39, u'a') + u"\U0001F600bc"_s), QString(39, u'a') + u"…"_s);
}

QTEST_GUILESS_MAIN(TestFiles)
#include "tst_files.moc"
