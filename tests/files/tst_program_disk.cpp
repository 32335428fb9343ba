// The real program, started as a user starts it, on a disk that fails: under
// a file-size limit given by the shell (ulimit -f), and with syncs that fail
// with EIO (a shim loaded with LD_PRELOAD). meridoc reads from meridoc-sim.
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr int kBoundMs = 20000;

struct Run
{
    QProcess::ExitStatus status = QProcess::CrashExit;
    int code = -1;
    QByteArray err;
};

} // namespace

class TestProgramDisk : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void fileSizeLimitStopsOnlyTheFiles();
    void failedSyncIsNoSave();

private:
    // meridoc reads the DURAMO 5/10/20 ST that meridoc-sim plays with these
    // options, into out.mes; the shell line runs meridoc ("$0" "$@").
    Run read(const QStringList &simOptions, const QString &shellLine, const QProcessEnvironment &environment);
    QStringList historyFiles() const { return QDir(m_folder.filePath(u"history"_s)).entryList(QDir::Files | QDir::Hidden); }
    QByteArray historyFile(const QString &name) const { return readFile(m_folder.filePath(u"history/"_s + name)); }

    // A portable copy: meridoc beside its HTML_Help, so history/ is the test's own.
    QTemporaryDir m_folder;
    QString m_meridoc;
    QString m_out;
};

void TestProgramDisk::initTestCase()
{
    QVERIFY(m_folder.isValid());
    m_meridoc = m_folder.filePath(u"meridoc"_s);
    QVERIFY(QFile::copy(QStringLiteral(MERIDOC_PATH), m_meridoc));
    QVERIFY(QFile::setPermissions(m_meridoc, QFile::permissions(QStringLiteral(MERIDOC_PATH))));
    QVERIFY(QDir(m_folder.path()).mkpath(u"HTML_Help"_s));
    m_out = m_folder.filePath(u"out.mes"_s);
}

void TestProgramDisk::init()
{
    QVERIFY(QDir(m_folder.filePath(u"history"_s)).removeRecursively());
    QVERIFY(writeFile(m_out, "old\r\n"_ba));
}

Run TestProgramDisk::read(const QStringList &simOptions, const QString &shellLine,
                          const QProcessEnvironment &environment)
{
    QProcess sim;
    sim.start(QStringLiteral(MERIDOC_SIM_PATH),
              QStringList{u"--family"_s, u"duramo-st"_s, u"--print-path"_s, u"--no-split"_s} + simOptions);
    QByteArray device;
    [&] {
        QVERIFY(sim.waitForStarted(kBoundMs));
        QVERIFY(QTest::qWaitFor([&] { return sim.canReadLine(); }, kBoundMs));
        device = sim.readLine().trimmed();
        QVERIFY2(device.startsWith("/dev/pts/"), device.constData());
    }();
    QProcess meridoc;
    meridoc.setProcessEnvironment(environment);
    meridoc.start(u"/bin/sh"_s, {u"-c"_s, shellLine, m_meridoc, u"read"_s, u"duramo-st"_s, u"--device"_s,
                                 QString::fromLocal8Bit(device), u"-o"_s, m_out});
    Run run;
    if (meridoc.waitForStarted(kBoundMs) && meridoc.waitForFinished(kBoundMs)) {
        run.status = meridoc.exitStatus();
        run.code = meridoc.exitCode();
    }
    run.err = meridoc.readAllStandardError();
    sim.kill();
    sim.waitForFinished(kBoundMs);
    return run;
}

// A file-size limit of 2,048 bytes (sh counts ulimit -f in 512-byte blocks):
// the download goes on to its end, the -o file is refused with the system's
// reason and the old one stays, the history keeps the 93 whole lines of 22
// bytes that fit.
void TestProgramDisk::fileSizeLimitStopsOnlyTheFiles()
{
    const Run run = read({u"--lines"_s, u"300"_s}, u"ulimit -f 4; exec \"$0\" \"$@\""_s,
                         QProcessEnvironment::systemEnvironment());
    QVERIFY2(run.status == QProcess::NormalExit, run.err.constData());
    QVERIFY2(run.code != 0, run.err.constData());
    QVERIFY2(run.err.contains("The history copy stopped after 93 lines: write "), run.err.constData());
    QVERIFY2(run.err.contains(QFile::encodeName(u"write %1: File too large"_s.arg(m_out))), run.err.constData());
    QCOMPARE(readFile(m_out), "old\r\n"_ba);

    const QStringList kept = historyFiles();
    QCOMPARE(kept.size(), 1);
    QVERIFY2(kept.first().endsWith(u" DURAMO 5-10-20 ST (incomplete copy).mes"_s), qPrintable(kept.first()));
    const QList<QByteArray> lines = historyFile(kept.first()).split('\n');
    QCOMPARE(lines.size(), 94);
    QCOMPARE(lines.first(), "00000001    10.37 um\r"_ba);
    for (int i = 0; i < 93; ++i)
        QVERIFY(lines.at(i).startsWith(QByteArray::number(i + 1).rightJustified(8, '0') + "    ")
                && lines.at(i).endsWith(" um\r") && lines.at(i).size() == 21);
    QCOMPARE(lines.last(), QByteArray());
}

// Every sync of a file fails with EIO: nothing is reported saved, the old
// -o file stays, and the history keeps what reached its .part, marked
// incomplete.
void TestProgramDisk::failedSyncIsNoSave()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"LD_PRELOAD"_s, QStringLiteral(FAILING_SYNC_SHIM));
    // A sanitizer's runtime wants to be loaded first; the shim comes before it.
    environment.insert(u"ASAN_OPTIONS"_s,
                       environment.value(u"ASAN_OPTIONS"_s) + u":verify_asan_link_order=0"_s);
    const Run run = read({}, u"exec \"$0\" \"$@\""_s, environment);
    QVERIFY2(run.status == QProcess::NormalExit, run.err.constData());
    QVERIFY2(run.code != 0, run.err.constData());
    QVERIFY2(run.err.contains(QFile::encodeName(u"fsync %1: Input/output error"_s.arg(m_out))), run.err.constData());
    QVERIFY2(!run.err.contains("written to"), run.err.constData());
    QCOMPARE(readFile(m_out), "old\r\n"_ba);

    const QStringList kept = historyFiles();
    QCOMPARE(kept.size(), 1);
    QVERIFY2(kept.first().endsWith(u" DURAMO 5-10-20 ST (incomplete copy).mes"_s), qPrintable(kept.first()));
    // The lines written before the first sync failed: whole lines from the start.
    const QByteArray copy = historyFile(kept.first());
    QVERIFY(!copy.isEmpty() && copy.endsWith("\r\n"));
    QVERIFY2(QByteArray("DURAMO 5 ST  Series 1\r\n   8.2 um\r\n   8.5 um\r\n   8.1 um\r\n   8.4 um\r\nEnd\r\n")
                 .startsWith(copy),
             copy.constData());
}

QTEST_GUILESS_MAIN(TestProgramDisk)
#include "tst_program_disk.moc"
