// The real program, started as a user starts it, on a disk that fails: under
// a file-size limit given by the shell (ulimit -f), and with syncs that fail
// with EIO (a shim loaded with LD_PRELOAD). meridoc reads from meridoc-sim.
#include "ChildProgram.h"
#include "ProgramFolder.h"
#include "TestFiles.h"

#include <QFile>
#include <QProcessEnvironment>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int kBoundMs = 20000;

struct Run
{
    QByteArray ending;   // "exit N", "signal N" or "still running"
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

    // A portable copy: meridoc beside its HTML_Help, so history/ is the test's own.
    ProgramFolder m_folder;
    QString m_meridoc;
    QString m_out;
};

void TestProgramDisk::initTestCase()
{
    QVERIFY(m_folder.isValid());
    QVERIFY(m_folder.makePortable({QStringLiteral(MERIDOC_PATH)}));
    m_meridoc = m_folder.filePath(u"meridoc"_s);
    m_out = m_folder.filePath(u"out.mes"_s);
}

void TestProgramDisk::init()
{
    QVERIFY(m_folder.clearHistory());
    QVERIFY(writeFile(m_out, "old\r\n"_ba));
}

Run TestProgramDisk::read(const QStringList &simOptions, const QString &shellLine,
                          const QProcessEnvironment &environment)
{
    ChildProgram sim;
    QString device;
    [&] {
        QVERIFY2(sim.startSimulator(QStringList{u"--family"_s, u"duramo-st"_s, u"--print-path"_s, u"--no-split"_s}
                                        + simOptions,
                                    kBoundMs),
                 qPrintable(sim.error()));
        device = sim.firstLine();
        QVERIFY2(device.startsWith(u"/dev/pts/"_s), qPrintable(device));
    }();
    ChildProgram meridoc;
    meridoc.process.setProcessEnvironment(environment);
    Run run;
    if (meridoc.start(u"/bin/sh"_s, {u"-c"_s, shellLine, m_meridoc, u"read"_s, u"duramo-st"_s, u"--device"_s, device,
                                     u"-o"_s, m_out},
                      kBoundMs))
        run.ending = meridoc.finish(kBoundMs);
    run.err = meridoc.err;
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
    QCOMPARE(run.ending, "exit 6"_ba);
    QVERIFY2(run.err.contains("meridoc: the history copy stopped after 93 lines: write "), run.err.constData());
    QVERIFY2(run.err.contains(QFile::encodeName(u"write %1: File too large"_s.arg(m_out))), run.err.constData());
    QCOMPARE(readFile(m_out), "old\r\n"_ba);

    const QStringList kept = m_folder.historyFiles();
    QCOMPARE(kept.size(), 1);
    QVERIFY2(kept.first().endsWith(u" DURAMO 5-10-20 ST (incomplete copy).mes"_s), qPrintable(kept.first()));
    // Readable as every file the program writes: the mode the umask leaves
    // of 0666, not that of a private temporary file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    struct stat info {};
    QCOMPARE(::stat(QFile::encodeName(m_folder.historyPath(kept.first())).constData(), &info), 0);
    QCOMPARE(info.st_mode & 0777, 0666 & ~mask);
    // The end says what is kept and what is not, never that all lines are.
    QVERIFY2(run.err.contains("meridoc: only part of the 301 lines is kept, in the history copy "
                              + QFile::encodeName(m_folder.historyPath(kept.first()))
                              + ": the history copy stopped after 93 lines: write "),
             run.err.constData());
    QVERIFY2(run.err.endsWith("; read the instrument again if it still holds them.\n"), run.err.constData());
    const QList<QByteArray> lines = readFile(m_folder.historyPath(kept.first())).split('\n');
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
    QVERIFY2(run.ending.startsWith("exit "), run.err.constData());
    QVERIFY2(run.ending != "exit 0", run.err.constData());
    QVERIFY2(run.err.contains(QFile::encodeName(u"fsync %1: Input/output error"_s.arg(m_out))), run.err.constData());
    QVERIFY2(!run.err.contains("written to"), run.err.constData());
    QCOMPARE(readFile(m_out), "old\r\n"_ba);

    const QStringList kept = m_folder.historyFiles();
    QCOMPARE(kept.size(), 1);
    QVERIFY2(kept.first().endsWith(u" DURAMO 5-10-20 ST (incomplete copy).mes"_s), qPrintable(kept.first()));
    // The lines written before the first sync failed: whole lines from the start.
    const QByteArray copy = readFile(m_folder.historyPath(kept.first()));
    QVERIFY(!copy.isEmpty() && copy.endsWith("\r\n"));
    QVERIFY2(QByteArray("DURAMO 5 ST  Series 1\r\n   8.2 um\r\n   8.5 um\r\n   8.1 um\r\n   8.4 um\r\nEnd\r\n")
                 .startsWith(copy),
             copy.constData());
}

QTEST_GUILESS_MAIN(TestProgramDisk)
#include "tst_program_disk.moc"
