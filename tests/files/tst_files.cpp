// The file writer on a full disk and under a file-size limit, the bounded
// reader of small files, and the shortening of texts quoted in messages.
#include "ShortText.h"
#include "SmallFile.h"
#include "WholeFile.h"

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

using namespace Qt::StringLiterals;

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

// Fills the disk of folder with one file until the system refuses more.
void fillDisk(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder + u"/filler"_s).constData(), O_WRONLY | O_CREAT, 0644);
    QVERIFY(fd >= 0);
    const QByteArray block(4096, 'f');
    while (::write(fd, block.constData(), block.size()) > 0) {
    }
    const int error = errno;
    ::close(fd);
    QCOMPARE(error, ENOSPC);
}

// Caps the size of files this process writes for one scope; the signal the
// system would send is ignored, so write() fails with EFBIG instead.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_before);
        rlimit limit = m_before;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_before); }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit m_before{};
};

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
    void readsAtMostTheLimit_data();
    void readsAtMostTheLimit();
    void shortensLongTexts_data();
    void shortensLongTexts();

private:
    QTemporaryDir m_dir;
    // A folder on a disk of 64 KiB, or why there is none.
    QString m_smallDisk;
    QString m_noSmallDisk;
};

void TestFiles::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // A tmpfs in a mount namespace of this process alone: it vanishes with
    // the process, whatever happens to the test.
    const QString folder = m_dir.filePath(u"disk"_s);
    QVERIFY(QDir().mkpath(folder));
    const QByteArray mountPoint = QFile::encodeName(folder);
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
        || mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=64k") != 0) {
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
    QVERIFY(reason.isEmpty());

    QVERIFY(writeWholeFile(path, {}));
    QCOMPARE(readFile(path), QByteArray());
}

void TestFiles::failedWriteKeepsTheOldFile_data()
{
    QTest::addColumn<QString>("target");  // relative to the test folder, or on the small disk
    QTest::addColumn<bool>("onSmallDisk");
    QTest::addColumn<int>("sizeLimit");   // 0: none
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("reason");  // what the reason holds

    // Small data wait in the file's buffer until the flush; large ones are
    // written at once, and only in part.
    QTest::newRow("size limit, buffered") << u"old.mes"_s << false << 1024 << 2000 << u"File too large"_s;
    QTest::newRow("size limit, written at once") << u"old.mes"_s << false << 1024 << 64 * 1024 << u"File too large"_s;
    QTest::newRow("full disk, buffered") << u"old.mes"_s << true << 0 << 2000 << u"No space left on device"_s;
    QTest::newRow("full disk, written at once")
        << u"old.mes"_s << true << 0 << 256 * 1024 << u"No space left on device"_s;
    QTest::newRow("folder missing") << u"missing/old.mes"_s << false << 0 << 10 << u"No such file or directory"_s;
}

void TestFiles::failedWriteKeepsTheOldFile()
{
    QFETCH(QString, target);
    QFETCH(bool, onSmallDisk);
    QFETCH(int, sizeLimit);
    QFETCH(int, size);
    QFETCH(QString, reason);

    if (onSmallDisk && m_smallDisk.isEmpty())
        QSKIP(qPrintable(m_noSmallDisk));
    QTemporaryDir scratch;
    const QString folder = onSmallDisk ? m_smallDisk : scratch.path();
    const QString old = QDir(folder).filePath(u"old.mes"_s);
    QVERIFY(writeFile(old, "old data\r\n"_ba));
    const QStringList before = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    if (onSmallDisk)
        fillDisk(folder);

    QString why;
    bool written = true;
    {
        const FileSizeLimit limit(sizeLimit > 0 ? rlim_t(sizeLimit) : RLIM_INFINITY);
        written = writeWholeFile(QDir(folder).filePath(target), {QByteArray(size, 'x'), "\r\n"_ba}, &why);
    }
    if (onSmallDisk)
        QVERIFY(QFile::remove(QDir(folder).filePath(u"filler"_s)));

    QVERIFY(!written);
    QVERIFY2(why.contains(reason), qPrintable(why));
    QCOMPARE(readFile(old), "old data\r\n"_ba);
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), before);
}

void TestFiles::readsAtMostTheLimit_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("limit");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("larger");

    QTest::newRow("empty") << QByteArray() << 16 << QByteArray() << false;
    QTest::newRow("up to the limit") << " 3\r\n"_ba << 4 << " 3\r\n"_ba << false;
    QTest::newRow("one byte more") << " 3\r\n\r"_ba << 4 << " 3\r\n"_ba << true;
    QTest::newRow("10 MiB line") << " 12"_ba + QByteArray(10 << 20, '9') << 6 << " 12999"_ba << true;
    QTest::newRow("pieces, larger") << QByteArray(200000, 'a') << 150000 << QByteArray(150000, 'a') << true;
}

void TestFiles::readsAtMostTheLimit()
{
    QFETCH(QByteArray, content);
    QFETCH(int, limit);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, larger);

    const QString path = m_dir.filePath(u"Port.txt"_s);
    QVERIFY(writeFile(path, content));
    const SmallFile file = readSmallFile(path, limit);
    QVERIFY(file.read);
    QCOMPARE(file.bytes, bytes);
    QCOMPARE(file.larger, larger);
    QVERIFY(file.reason.isEmpty());

    const SmallFile missing = readSmallFile(m_dir.filePath(u"none.txt"_s), limit);
    QVERIFY(!missing.read);
    QVERIFY2(missing.reason.contains(u"No such file or directory"_s), qPrintable(missing.reason));
    const SmallFile folder = readSmallFile(m_dir.path(), limit);
    QVERIFY(!folder.read);
    QVERIFY(!folder.reason.isEmpty());
}

void TestFiles::shortensLongTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");

    const QString forty = u"0123456789abcdefghijklmnopqrstuvwxyz.,;:"_s;
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("40 characters") << forty << forty;
    QTest::newRow("41 characters") << forty + u"!"_s << forty + u"…"_s;
    QTest::newRow("10 MiB") << QString(10 << 20, u'7') << QString(40, u'7') + u"…"_s;
    // A character of two UTF-16 units at the cut stays whole or goes whole.
    QTest::newRow("cut inside a pair") << QString(39, u'a') + u"\U0001F600bc"_s << QString(39, u'a') + u"…"_s;
}

void TestFiles::shortensLongTexts()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QCOMPARE(shortForMessage(text), shown);
}

QTEST_GUILESS_MAIN(TestFiles)
#include "tst_files.moc"
