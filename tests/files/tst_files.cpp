// The file writer on a full disk and under a file-size limit, the bounded
// reader, and the shortening of texts quoted in messages.
#include "ShortText.h"
#include "SmallFile.h"
#include "WholeFile.h"

#include "TestFiles.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstring>
#include <optional>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// Writes the file at path until the disk is full.
void fillDisk(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT, 0644);
    QVERIFY(fd >= 0);
    const QByteArray block(4096, 'f');
    while (::write(fd, block.constData(), block.size()) > 0) {
    }
    QCOMPARE(errno, ENOSPC);
    ::close(fd);
}

// Caps the size of files this process writes; write() then fails with EFBIG
// instead of the signal ending the process.
void limitFileSize(rlim_t bytes)
{
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
}

} // namespace

class TestFiles : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void writesThePartsByteForByte();
    void failedWriteKeepsTheOldFile_data();
    void failedWriteKeepsTheOldFile();
    void readsAtMostTheLimit();
    void shortensLongTexts();

private:
    QTemporaryDir m_dir;
    QString m_smallDisk;  // a folder on a disk of 64 KiB, or empty ...
    QString m_noSmallDisk; // ... and why
};

void TestFiles::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // The tmpfs lives in a mount namespace of this process alone, so it
    // vanishes with the process whatever happens to the test.
    const QString folder = m_dir.filePath(u"disk"_s);
    QVERIFY(QDir().mkpath(folder));
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
        || mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, "size=64k") != 0) {
        m_noSmallDisk = u"no small tmpfs can be mounted here (it needs root or CAP_SYS_ADMIN): "_s
                      + QString::fromLocal8Bit(std::strerror(errno));
        return;
    }
    m_smallDisk = folder;
}

void TestFiles::cleanupTestCase()
{
    if (!m_smallDisk.isEmpty())
        umount2(QFile::encodeName(m_smallDisk).constData(), MNT_DETACH);
}

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

    QVERIFY(!writeWholeFile(m_dir.filePath(u"missing/data.mes"_s), {"1"_ba}, &reason));
    QVERIFY2(reason.contains(u"No such file or directory"_s), qPrintable(reason));
}

void TestFiles::failedWriteKeepsTheOldFile_data()
{
    QTest::addColumn<bool>("fullDisk");   // else a file-size limit of 1 KiB
    QTest::addColumn<int>("size");

    // Small data wait in a buffer until the flush; large ones are written at
    // once, and only in part.
    QTest::newRow("size limit, small") << false << 2000;
    QTest::newRow("size limit, large") << false << 64 * 1024;
    QTest::newRow("full disk, small") << true << 2000;
    QTest::newRow("full disk, large") << true << 256 * 1024;
}

void TestFiles::failedWriteKeepsTheOldFile()
{
    QFETCH(bool, fullDisk);
    QFETCH(int, size);

    if (fullDisk && m_smallDisk.isEmpty())
        QSKIP(qPrintable(m_noSmallDisk));
    QTemporaryDir scratch;
    const QDir folder(fullDisk ? m_smallDisk : scratch.path());
    QVERIFY(writeFile(folder.filePath(u"old.mes"_s), "old data\r\n"_ba));
    const QStringList before = folder.entryList(QDir::Files | QDir::Hidden);
    rlimit unlimited{};
    getrlimit(RLIMIT_FSIZE, &unlimited);
    if (fullDisk)
        fillDisk(folder.filePath(u"filler"_s));
    else
        limitFileSize(1024);

    QString reason;
    const bool written = writeWholeFile(folder.filePath(u"old.mes"_s), {QByteArray(size, 'x'), "\r\n"_ba}, &reason);
    setrlimit(RLIMIT_FSIZE, &unlimited);
    if (fullDisk)
        QVERIFY(QFile::remove(folder.filePath(u"filler"_s)));

    QVERIFY(!written);
    QVERIFY2(reason.contains(fullDisk ? u"No space left on device"_s : u"File too large"_s), qPrintable(reason));
    QCOMPARE(readFile(folder.filePath(u"old.mes"_s)), "old data\r\n"_ba);
    QCOMPARE(folder.entryList(QDir::Files | QDir::Hidden), before);
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
