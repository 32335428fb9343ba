// The command line as a user runs it: meridoc and meridoc-sim as two processes
// on a pty, and scripted lines for the stops, the lost device and the errors.
#include "ByteReader.h"
#include "ChildProgram.h"
#include "CliHost.h"
#include "Messages.h"
#include "ProgramFolder.h"
#include "TestFiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

constexpr int kBoundMs = 20000;

// A pipe the program writes its standard output into, read by the test, which
// may close its end as "head -1" does once it has what it wants.
class PipeReader : public ByteReader
{
public:
    PipeReader()
    {
        if (::pipe2(m_fds, O_CLOEXEC) == 0)
            start(m_fds[0]);
    }
    ~PipeReader()
    {
        closeReadingEnd();
        closeWritingEnd();
    }
    // Makes the writing end standard output of a process the test starts,
    // which may start with SIGPIPE ignored (as some parents leave it).
    void becomeOutputOf(QProcess &process, bool pipeSignalIgnored)
    {
        const int writing = m_fds[1];
        process.setChildProcessModifier([writing, pipeSignalIgnored] {
            ::dup2(writing, STDOUT_FILENO);
            if (pipeSignalIgnored)
                ::signal(SIGPIPE, SIG_IGN);
        });
    }
    // Once the program runs, only it holds the writing end.
    void closeWritingEnd()
    {
        if (m_fds[1] >= 0)
            ::close(std::exchange(m_fds[1], -1));
    }
    void closeReadingEnd()
    {
        stop();
        if (m_fds[0] >= 0)
            ::close(std::exchange(m_fds[0], -1));
    }

private:
    int m_fds[2] = {-1, -1};
};

QByteArray exitWith(int status)
{
    return "exit " + QByteArray::number(status);
}

QByteArray killedBy(int signalNumber)
{
    return "signal " + QByteArray::number(signalNumber);
}

// Every line the program wrote to standard error speaks as meridoc (the count
// on a terminal is rewritten in place after a CR).
bool allPrefixed(const QByteArray &err)
{
    for (const QByteArray &line : err.split('\n')) {
        const QByteArray last = line.mid(line.lastIndexOf('\r') + 1);
        if (!line.isEmpty() && !last.startsWith("meridoc: "))
            return false;
    }
    return true;
}

// The program shows its line count at most every 500 ms, counted from the
// start of the reception; its running message shows that the reception has
// started (where the instruction is another text: that its first data came).
// Each line goes out once the count may show again, and the next only after
// the count showed it: when the stop comes, every line sent was taken in.
bool feedCounted(PtyReader &line, PtyReader &terminal, QByteArrayList lines)
{
    const QByteArray running = "Data download from instrument is running\n";
    qsizetype sent = 0;
    if (!terminal.bytes.contains(running)) {
        line.write(lines.takeFirst());
        ++sent;
        if (!terminal.waitFor(running))
            return false;
    }
    for (const QByteArray &next : lines) {
        QTest::qWait(600);
        line.write(next);
        ++sent;
        const QByteArray count = sent == 1 ? "1 line received"_ba : QByteArray::number(sent) + " lines received";
        if (!terminal.waitFor(count))
            return false;
    }
    return true;
}

const QByteArray kestraData = "KESTRA II  Batch 1\r\n  75.3 um\r\n  74.9 um\r\n  76.2 um\r\nEnd\r\n\r\n\r\n";

} // namespace

class TestCli : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void helpVersionAndTheWindowWithoutDisplay();
    void wrongCommandLines_data();
    void wrongCommandLines();
    void bashCompletesInstrumentsAndOptions_data();
    void bashCompletesInstrumentsAndOptions();
    void readsEveryInstrumentFromTheSimulator_data();
    void readsEveryInstrumentFromTheSimulator();
    void instructionShowsOnlyOnceTheProgramListens();
    void linesReachAFifoAsTheyArrive();
    void aReaderThatGoesAwayEndsTheReadAsEsc_data();
    void aReaderThatGoesAwayEndsTheReadAsEsc();
    void blockFiles();
    void aStopEndsEachWaitAsEsc_data();
    void aStopEndsEachWaitAsEsc();
    void signalsIgnoredAtStartStayIgnored();
    void nothingReceivedIsNotWritten_data();
    void nothingReceivedIsNotWritten();
    void pulledDeviceKeepsTheLines();
    void checksBeforeTheInstrumentIsRead_data();
    void checksBeforeTheInstrumentIsRead();
    void portErrorsAndUnwritableFiles();

private:
    void startMeridoc(ChildProgram &program, const QStringList &arguments, const QString &errTerminal = {});
    // Runs meridoc to its end: "exit N" or "signal N".
    QByteArray run(ChildProgram &program, const QStringList &arguments);
    void startSim(ChildProgram &sim, const QString &family, int com, const QStringList &extra = {});

    // meridoc and meridoc-sim placed in one folder: the program folder of
    // both, as a portable copy, so ports/comN and Port.txt are the test's own.
    // Beside the build, where a hard link can place them.
    ProgramFolder m_folder{QDir::currentPath() + u"/cli-XXXXXX"_s};
    QString m_meridoc;
    QString m_sim;
};

void TestCli::initTestCase()
{
    QVERIFY(m_folder.isValid());
    QVERIFY(m_folder.makePortable({QStringLiteral(MERIDOC_PATH), ChildProgram::simulatorPath()}));
    m_meridoc = m_folder.filePath(u"meridoc"_s);
    m_sim = m_folder.filePath(u"meridoc-sim"_s);
}

void TestCli::startMeridoc(ChildProgram &program, const QStringList &arguments, const QString &errTerminal)
{
    program.process.setWorkingDirectory(m_folder.path());
    if (!errTerminal.isEmpty())
        program.process.setStandardErrorFile(errTerminal);
    // A program set already runs meridoc itself (nohup).
    const QString executable = program.process.program().isEmpty() ? m_meridoc : program.process.program();
    QVERIFY2(program.start(executable, program.process.arguments() + arguments, kBoundMs), qPrintable(program.error()));
}

QByteArray TestCli::run(ChildProgram &program, const QStringList &arguments)
{
    startMeridoc(program, arguments);
    return QTest::currentTestFailed() ? "not started"_ba : program.finish(kBoundMs);
}

void TestCli::startSim(ChildProgram &sim, const QString &family, int com, const QStringList &extra)
{
    QFile::remove(m_folder.filePath(u"ports/com%1"_s.arg(com)));
    QVERIFY2(sim.startSimulator(QStringList{u"--family"_s, family, u"--com"_s, QString::number(com)} + extra, kBoundMs,
                                m_sim),
             qPrintable(sim.error()));
}

void TestCli::helpVersionAndTheWindowWithoutDisplay()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString &name : {u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s})
        environment.remove(name);

    ChildProgram help;
    help.process.setProcessEnvironment(environment);
    QCOMPARE(run(help, {u"--help"_s}), "exit 0"_ba);
    QVERIFY2(help.out.startsWith("Usage: meridoc [--help | --version]\n"
                                 "       meridoc read INSTRUMENT [--com N | --device PATH] [-o FILE]"),
             QByteArray(help.out).constData());
    for (const char *text : {"orvik, varden, qf2000, fennix, fennix-radio, duramo-fn, qf100, duramo-st, kestra, qfu",
                             "--timeout SECONDS", "--no-history", "  5  nothing came at all",
                             "  6  the instrument was read, but a file could not be written"})
        QVERIFY2(help.out.contains(text), text);
    QCOMPARE(help.err, QByteArray());

    ChildProgram version;
    version.process.setProcessEnvironment(environment);
    QCOMPARE(run(version, {u"--version"_s}), "exit 0"_ba);
    QCOMPARE(version.out, "meridoc 15.1\n"_ba);

    // A text that cannot be written is a failure, as in the GNU tools.
    for (const QString &option : {u"--help"_s, u"--version"_s}) {
        ChildProgram full;
        full.process.setStandardOutputFile(u"/dev/full"_s);
        QCOMPARE(run(full, {option}), "exit 1"_ba);
        QCOMPARE(full.err, "meridoc: write error: No space left on device\n"_ba);
    }

    // The window needs a display; without one it says so in one line.
    ChildProgram window;
    window.process.setProcessEnvironment(environment);
    QCOMPARE(run(window, {}), "exit 1"_ba);
    QCOMPARE(window.err, "meridoc: no display was found (DISPLAY and WAYLAND_DISPLAY are not set); the window needs "
                         "one, \"meridoc read\" works without one (see meridoc --help).\n"_ba);
}

void TestCli::wrongCommandLines_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("error");
    QTest::newRow("unknown option") << QStringList{u"--frobnicate"_s} << "meridoc: unknown option \"--frobnicate\"."_ba;
    QTest::newRow("unknown command") << QStringList{u"write"_s} << "meridoc: unknown command \"write\"."_ba;
    QTest::newRow("no instrument") << QStringList{u"read"_s}
        << "meridoc: read needs an instrument: orvik, varden, qf2000, fennix, fennix-radio, duramo-fn, qf100, "
           "duramo-st, kestra, qfu."_ba;
    QTest::newRow("unknown instrument") << QStringList{u"read"_s, u"orvik2"_s}
        << "meridoc: unknown instrument \"orvik2\"; one of orvik,"_ba;
    QTest::newRow("COM 17") << QStringList{u"read"_s, u"qfu"_s, u"--com"_s, u"17"_s}
        << "meridoc: --com needs a COM number from 1 to 16, not \"17\"."_ba;
    QTest::newRow("both ports") << QStringList{u"read"_s, u"qfu"_s, u"--com=2"_s, u"--device"_s, u"/dev/null"_s}
        << "meridoc: give either --com or --device, not both."_ba;
    QTest::newRow("blocks of a listener") << QStringList{u"read"_s, u"qfu"_s, u"--blocks"_s, u"b"_s}
        << "meridoc: --blocks is for orvik, varden and qf2000, which send blocks."_ba;
    QTest::newRow("zero timeout") << QStringList{u"read"_s, u"kestra"_s, u"--timeout"_s, u"0"_s}
        << "meridoc: --timeout needs a number of seconds above 0 and at most 86400, not \"0\"."_ba;
    QTest::newRow("timeout above its limit") << QStringList{u"read"_s, u"kestra"_s, u"--timeout=90000"_s}
        << "meridoc: --timeout needs a number of seconds above 0 and at most 86400, not \"90000\"."_ba;
    QTest::newRow("value missing") << QStringList{u"read"_s, u"kestra"_s, u"-o"_s}
        << "meridoc: missing value after '-o'."_ba;
    QTest::newRow("second instrument") << QStringList{u"read"_s, u"kestra"_s, u"qfu"_s}
        << "meridoc: unexpected argument \"qfu\"."_ba;
    QTest::newRow("-- ends the options") << QStringList{u"read"_s, u"--"_s, u"kestra"_s, u"--device"_s, u"/dev/null"_s}
        << "meridoc: unexpected argument \"--device\"."_ba;
}

void TestCli::wrongCommandLines()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, error);
    ChildProgram meridoc;
    QCOMPARE(run(meridoc, arguments), "exit 2"_ba);
    const QList<QByteArray> lines = meridoc.err.split('\n');
    QVERIFY2(lines.at(0).startsWith(error), QByteArray(meridoc.err).constData());
    QVERIFY2(lines.at(1).startsWith("Usage: meridoc"), QByteArray(meridoc.err).constData());
    QCOMPARE(meridoc.out, QByteArray());
}

void TestCli::bashCompletesInstrumentsAndOptions_data()
{
    QTest::addColumn<QString>("line");   // the words before the cursor; the last is completed
    QTest::addColumn<QString>("offers");
    QTest::newRow("command") << u"meridoc |"_s << u"--help --version read"_s;
    QTest::newRow("instrument") << u"meridoc read f|"_s << u"fennix fennix-radio"_s;
    QTest::newRow("instrument after an option") << u"meridoc read --com 3 du|"_s << u"duramo-fn duramo-st"_s;
    QTest::newRow("option") << u"meridoc read kestra --t|"_s << u"--timeout"_s;
    QTest::newRow("every option") << u"meridoc read kestra -|"_s
        << u"--blocks --com --device --force --help --no-history --output --timeout -o"_s;
    QTest::newRow("COM number") << u"meridoc read qfu --com 1|"_s << u"1 10 11 12 13 14 15 16"_s;
    QTest::newRow("COM number after =") << u"meridoc read qfu --com=1|"_s << u"1 10 11 12 13 14 15 16"_s;
    QTest::newRow("device") << u"meridoc read qfu --device /dev/nul|"_s << u"/dev/null"_s;
    QTest::newRow("no second instrument") << u"meridoc read qfu q|"_s << QString();
    QTest::newRow("other commands") << u"meridoc write |"_s << QString();
}

void TestCli::bashCompletesInstrumentsAndOptions()
{
    QFETCH(QString, line);
    QFETCH(QString, offers);
    // Bash itself splits the line and runs the function "complete" names.
    const QString script = uR"(source "$1" || exit 9
complete -p meridoc | grep -q -- "-F _meridoc meridoc$" || exit 8
COMP_LINE=${2%|}; COMP_POINT=${#COMP_LINE}
read -r -a COMP_WORDS <<< "$COMP_LINE"
[[ $COMP_LINE == *" " ]] && COMP_WORDS+=("")
COMP_CWORD=$(( ${#COMP_WORDS[@]} - 1 ))
if [[ ${COMP_WORDS[COMP_CWORD]} == *=* ]]; then
    value=${COMP_WORDS[COMP_CWORD]#*=}; option=${COMP_WORDS[COMP_CWORD]%%=*}
    COMP_WORDS=("${COMP_WORDS[@]:0:COMP_CWORD}" "$option" "=" "$value"); COMP_CWORD=$(( COMP_CWORD + 2 ))
fi
_meridoc meridoc "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | paste -sd' ')"_s;
    QProcess bash;
    bash.start(u"bash"_s, {u"-c"_s, script, u"bash"_s, QStringLiteral(MERIDOC_COMPLETION_PATH), line});
    QVERIFY(bash.waitForFinished(kBoundMs));
    QCOMPARE(bash.readAllStandardError(), QByteArray());
    QCOMPARE(bash.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(bash.readAllStandardOutput()).trimmed(), offers);
}

void TestCli::readsEveryInstrumentFromTheSimulator_data()
{
    QTest::addColumn<QString>("family");
    // The instruction meridoc shows when the user must start the instrument
    // (empty where the program starts it), and what goes out on the wire.
    QTest::addColumn<QByteArray>("instruction");
    QTest::addColumn<QByteArrayList>("wire");
    QTest::addColumn<QByteArray>("data");

    const QByteArray bar = "____________________";
    QTest::newRow("orvik") << u"orvik"_s
        << "At the device press key MENU - Transfer - Transfer FE/NFE memory !"_ba << QByteArrayList{}
        << "ORVIK FE-B  Memory 1\r\n  12.5 um\r\n  13.1 um\r\n  12.8 um\r\n  13.4 um\r\n" + bar
               + "\r\nORVIK FE-B  Memory 2\r\n  48.0 um\r\n  47.2 um\r\n  49.1 um\r\n" + bar
               + "\r\nEnd\r\n\r\n\r\n";
    QTest::newRow("varden") << u"varden"_s << "At the device press key MENU - Print+PC - Transfer to PC!"_ba
        << QByteArrayList{}
        << "DURAMO Varden  Batch 1\r\n  35.2 um\r\n  36.0 um\r\n  34.8 um\r\n" + bar
               + "\r\nDURAMO Varden  Batch 2\r\n 102.5 um\r\n  99.7 um\r\n" + bar + "\r\nEnd\r\n\r\n\r\n";
    QTest::newRow("qf2000") << u"qf2000"_s << "At the device press key MENU - Print+PC - Transfer to PC!"_ba
        << QByteArrayList{}
        << "QF-2000  Memory 1\r\n   1.25 V/m\r\n   1.31 V/m\r\n   1.28 V/m\r\n" + bar
               + "\r\nQF-2000  Memory 2\r\n   0.87 A/m\r\n   0.91 A/m\r\n" + bar + "\r\nEnd\r\n\r\n\r\n";
    QTest::newRow("fennix") << u"fennix"_s << QByteArray() << QByteArrayList{"<- $qur10\\n\\r", "<- $qura1\\n\\r"}
        << "FENNIX FE-S  Memory 1\r\n  15.6 um\r\n  16.2 um\r\n  15.9 um\r\nEnd\r\n\r\n\r\n"_ba;
    // The radio's records end in CR LF, of which only the LF is cut.
    QTest::newRow("fennix-radio") << u"fennix-radio"_s << "Start downloading from the instrument!"_ba
        << QByteArrayList{}
        << "FENNIX FN  Radio\r\r\n  220 um\r\r\n  218 um\r\r\n  224 um\r\r\nEnd\r\r\n\r\n\r\n"_ba;
    QTest::newRow("duramo-fn") << u"duramo-fn"_s << "Start downloading from the instrument!"_ba << QByteArrayList{}
        << "DURAMO FE-S  Memory\r\n  21.4 um\r\n  22.0 um\r\n  21.7 um\r\nEnd\r\n\r\n\r\n"_ba;
    QTest::newRow("qf100") << u"qf100"_s << "Start downloading from the instrument!"_ba << QByteArrayList{}
        << "QF-100  Memory\r\n  450 nT\r\n  462 nT\r\n  455 nT\r\nEnd\r\n\r\n\r\n"_ba;
    QTest::newRow("duramo-st") << u"duramo-st"_s << QByteArray() << QByteArrayList{"<- T4", "<- $qura1\\n\\r"}
        << "DURAMO 5 ST  Series 1\r\n   8.2 um\r\n   8.5 um\r\n   8.1 um\r\n   8.4 um\r\nEnd\r\n\r\n\r\n"_ba;
    QTest::newRow("kestra") << u"kestra"_s << QByteArray() << QByteArrayList{"<- T4", "<- $qura1\\n\\r"} << kestraData;
    QTest::newRow("qfu") << u"qfu"_s << "Start downloading from the instrument!"_ba << QByteArrayList{}
        << "QFU-ST  Memory\r\n   0.52 V/m\r\n   0.55 V/m\r\n   0.49 V/m\r\nEnd\r\n\r\n\r\n"_ba;
}

void TestCli::readsEveryInstrumentFromTheSimulator()
{
    QFETCH(QString, family);
    QFETCH(QByteArray, instruction);
    QFETCH(QByteArrayList, wire);
    QFETCH(QByteArray, data);

    static int com = 0;
    com = com % 16 + 1;
    ChildProgram sim;
    startSim(sim, family, com);
    ChildProgram meridoc;
    // The user starts the instrument the moment the instruction shows (a
    // script watching for it, the hardest case): what the instrument sends
    // from then on is the data.
    bool pressed = false;
    QObject::connect(&meridoc.process, &QProcess::readyReadStandardError, &meridoc, [&] {
        if (!pressed && !instruction.isEmpty() && meridoc.err.contains("meridoc: " + instruction + '\n')) {
            pressed = true;
            sim.pressKey();
        }
    });
    startMeridoc(meridoc, {u"read"_s, family, u"--com"_s, QString::number(com)});
    if (!instruction.isEmpty())
        QVERIFY2(meridoc.waitForErr("meridoc: " + instruction + '\n', kBoundMs), QByteArray(meridoc.err).constData());
    QCOMPARE(meridoc.finish(kBoundMs), "exit 0"_ba);
    QCOMPARE(meridoc.out, data);
    QVERIFY2(meridoc.err.endsWith(" received up to \"End\"; written to standard output.\n"), QByteArray(meridoc.err).constData());
    QVERIFY2(allPrefixed(meridoc.err), meridoc.err.constData());
    QCOMPARE(sim.finish(kBoundMs), "exit 0"_ba);
    QByteArrayList sent;
    for (const QByteArray &line : sim.out.split('\n')) {
        if (line.contains(" <- "))
            sent.append(line.mid(line.indexOf(" <- ") + 1));
    }
    QCOMPARE(sent, wire);
}

void TestCli::instructionShowsOnlyOnceTheProgramListens()
{
    // A listening download shows its instruction, lets events run once, then
    // discards what waits in the input and listens. On the command line the
    // instruction must not be said before that discard: a user or a script
    // that starts the instrument the moment it reads the line would lose the
    // first bytes (seen: "QF-100 " missing in 1 of 12 reads). It is said when
    // the download next waits.
    int ends[2];
    QCOMPARE(::pipe2(ends, O_CLOEXEC | O_NONBLOCK), 0);
    std::FILE *stream = ::fdopen(ends[1], "w");
    QVERIFY(stream);
    const auto said = [&ends] {
        char bytes[256];
        const ssize_t n = ::read(ends[0], bytes, sizeof bytes);
        return n > 0 ? QByteArray(bytes, n) : QByteArray();
    };
    {
        Messages messages(stream);
        CliHost host(m_folder.path(), u"1"_s, messages);
        host.setWarnText2(u"Start downloading from the instrument!"_s);
        host.processEvents();
        QCOMPARE(said(), QByteArray());
        double pause = 0;
        host.delay(pause);
        QCOMPARE(said(), "meridoc: Start downloading from the instrument!\n"_ba);
        host.setWarnText2(u"Data download from instrument is running"_s);
        host.processEvents();
        QCOMPARE(said(), QByteArray());
        host.waitForEvents(0);
        QCOMPARE(said(), "meridoc: Data download from instrument is running\n"_ba);
    }
    std::fclose(stream);
    ::close(ends[0]);
}

void TestCli::linesReachAFifoAsTheyArrive()
{
    // The instrument pauses after every line, so the read lasts longer than
    // its --timeout, which counts silence only.
    ChildProgram sim;
    startSim(sim, u"kestra"_s, 12, {u"--line-pause-ms"_s, u"300"_s});
    const QString fifo = m_folder.filePath(u"live.fifo"_s);
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // The reading end, open before the program opens it for writing.
    ByteReader reader;
    QVERIFY(reader.open(fifo, O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    ChildProgram meridoc;
    startMeridoc(meridoc, {u"read"_s, u"kestra"_s, u"--com=12"_s, u"--timeout=0.5"_s, u"-o"_s, fifo});

    // The first line is there while the instrument still sends the rest.
    QVERIFY2(reader.waitFor("KESTRA II  Batch 1\r\n"), QByteArray(meridoc.err).constData());
    QCOMPARE(meridoc.process.state(), QProcess::Running);
    QVERIFY(!reader.bytes.contains("End"));

    QCOMPARE(meridoc.finish(kBoundMs), "exit 0"_ba);
    QCOMPARE(reader.all(), kestraData);
    QVERIFY2(meridoc.err.endsWith("meridoc: 5 lines received up to \"End\"; written to " + QFile::encodeName(fifo) + ".\n"),
             meridoc.err.constData());
    struct stat status {};
    QCOMPARE(::stat(QFile::encodeName(fifo).constData(), &status), 0);
    QVERIFY(S_ISFIFO(status.st_mode));
}

void TestCli::aReaderThatGoesAwayEndsTheReadAsEsc_data()
{
    QTest::addColumn<bool>("pipeSignalIgnored");
    QTest::addColumn<QByteArray>("ending");
    // As cat: quietly, by SIGPIPE.
    QTest::newRow("SIGPIPE as a shell leaves it") << false << killedBy(SIGPIPE);
    // The lines were read but not all written, and the message says where they are.
    QTest::newRow("SIGPIPE ignored") << true << exitWith(6);
}

void TestCli::aReaderThatGoesAwayEndsTheReadAsEsc()
{
    QFETCH(bool, pipeSignalIgnored);
    QFETCH(QByteArray, ending);
    QVERIFY(m_folder.clearHistory());
    ChildProgram sim;
    startSim(sim, u"kestra"_s, 13, {u"--line-pause-ms"_s, u"300"_s});
    ChildProgram meridoc;
    PipeReader reader;
    reader.becomeOutputOf(meridoc.process, pipeSignalIgnored);
    startMeridoc(meridoc, {u"read"_s, u"kestra"_s, u"--com=13"_s});
    reader.closeWritingEnd();
    // As "meridoc read kestra | head -1": the reader takes the first line and goes.
    QVERIFY2(reader.waitFor("KESTRA II  Batch 1\r\n"), QByteArray(meridoc.err).constData());
    QVERIFY(!reader.bytes.contains("End"));
    reader.closeReadingEnd();

    QCOMPARE(meridoc.finish(kBoundMs), ending);
    // The instrument got its closing command, and the history kept the lines.
    QVERIFY2(sim.waitForOut("<- $qura1\\n\\r", kBoundMs), sim.out.constData());
    const QStringList copies = m_folder.historyFiles(u"* KESTRA II - DURAMO 80F-ST (stopped by ESC).mes"_s);
    QCOMPARE(copies.size(), 1);
    const QString copy = m_folder.historyPath(copies.first());
    QVERIFY(readFile(copy).startsWith("KESTRA II  Batch 1\r\n"));
    if (pipeSignalIgnored) {
        QVERIFY2(meridoc.err.contains("lines: the reader of standard output went away.\nmeridoc: the ")
                     && meridoc.err.endsWith(" lines are kept in the history copy " + QFile::encodeName(copy) + ".\n"),
                 meridoc.err.constData());
    } else {
        QVERIFY2(!meridoc.err.contains("standard output"), meridoc.err.constData());
    }
}

void TestCli::blockFiles()
{
    ChildProgram sim;
    startSim(sim, u"orvik"_s, 16, {u"--repeat"_s});
    const QString base = m_folder.filePath(u"batch"_s);
    const QString all = m_folder.filePath(u"all.mes"_s);
    const QByteArray bar = "____________________";
    const QByteArray block1 = "ORVIK FE-B  Memory 1\r\n  12.5 um\r\n  13.1 um\r\n  12.8 um\r\n  13.4 um\r\n" + bar + "\r\n\r\n";
    const QByteArray block2 = "ORVIK FE-B  Memory 2\r\n  48.0 um\r\n  47.2 um\r\n  49.1 um\r\n" + bar + "\r\n\r\n";

    int reads = 0;
    // A read whose instrument sends; before the key is pressed, whatever
    // the test wants to happen meanwhile.
    const auto read = [&](const QStringList &extra, const std::function<void()> &meanwhile = {}) {
        // The instrument takes the key again once it has delivered everything.
        if (reads > 0 && !sim.waitForOut("Ready for another download", kBoundMs))
            return qMakePair("no instrument"_ba, sim.out);
        sim.out.replace("Ready for another download", "ready");
        ++reads;
        ChildProgram meridoc;
        startMeridoc(meridoc, QStringList{u"read"_s, u"orvik"_s, u"--com=16"_s, u"-o"_s, all, u"--blocks"_s, base} + extra);
        if (!meridoc.waitForErr("Transfer FE/NFE memory !\n", kBoundMs))
            return qMakePair("no instruction"_ba, meridoc.err);
        if (meanwhile)
            meanwhile();
        sim.pressKey();
        return qMakePair(meridoc.finish(kBoundMs), meridoc.err);
    };

    auto [status, err] = read({});
    QCOMPARE(status, "exit 0"_ba);
    QCOMPARE(readFile(base + u"(1).mes"_s), block1);
    QCOMPARE(readFile(base + u"(2).mes"_s), block2);
    QVERIFY(readFile(all).startsWith("ORVIK FE-B  Memory 1\r\n  12.5 um\r\n"));
    QVERIFY2(err.endsWith("meridoc: the 2 blocks are in " + QFile::encodeName(base) + "(1).mes to "
                          + QFile::encodeName(base) + "(2).mes.\n"),
             QByteArray(err).constData());

    // Existing block files are found before the instrument is read.
    QVERIFY(writeFile(base + u"(1).mes"_s, "kept"));
    QVERIFY(writeFile(all, "all before"));
    {
        ChildProgram refused;
        QCOMPARE(run(refused, {u"read"_s, u"orvik"_s, u"--com=16"_s, u"-o"_s, all, u"--blocks"_s, base}),
                 "exit 1"_ba);
        QVERIFY2(refused.err.contains("meridoc: block files of " + QFile::encodeName(base) + " exist already: "
                                      + QFile::encodeName(base) + "(1).mes, " + QFile::encodeName(base) + "(2).mes.\n"
                                      "meridoc: give --force to replace them"),
                 refused.err.constData());
        QVERIFY2(!refused.err.contains("Transfer FE/NFE memory"), refused.err.constData());
        QCOMPARE(readFile(all), "all before"_ba);
    }
    std::tie(status, err) = read({u"--force"_s});
    QCOMPARE(status, "exit 0"_ba);
    QCOMPARE(readFile(base + u"(1).mes"_s), block1);

    // A block file that appears during the read is left alone: the lines were
    // read, but not all was written, and the history copy holds them.
    QVERIFY(QFile::remove(base + u"(1).mes"_s) && QFile::remove(base + u"(2).mes"_s));
    std::tie(status, err) = read({}, [&] { QVERIFY(writeFile(base + u"(2).mes"_s, "appeared")); });
    QCOMPARE(status, "exit 6"_ba);
    QCOMPARE(readFile(base + u"(2).mes"_s), "appeared"_ba);
    QVERIFY(readFile(all).endsWith("End\r\n\r\n\r\n"));
    const QStringList copies = m_folder.historyFiles(u"* ORVIK FE-B - FN-B.mes"_s);
    QVERIFY(!copies.isEmpty());
    QVERIFY2(err.contains("meridoc: the block file " + QFile::encodeName(base) + "(2).mes exists already; "
                          "no block file was written (give --force to replace existing ones).\n"
                          "meridoc: the 12 lines are kept in the history copy "),
             err.constData());
    QVERIFY2(allPrefixed(err), err.constData());
}

void TestCli::aStopEndsEachWaitAsEsc_data()
{
    QTest::addColumn<QString>("instrument");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("command");      // what the program sends first, if anything
    QTest::addColumn<QByteArrayList>("sent");      // the instrument's lines
    QTest::addColumn<int>("signalNumber");        // 0: --timeout ends the wait
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("wire");          // everything the program sent

    QTest::newRow("listening, SIGINT") << u"duramo-fn"_s << QStringList{} << QByteArray()
        << QByteArrayList{"A 1.0\r", "A 2.0\r"} << SIGINT << "A 1.0\r\nA 2.0\r\n\r\n\r\n"_ba << QByteArray();
    QTest::newRow("ORVIK, SIGTERM") << u"orvik"_s << QStringList{} << QByteArray()
        << QByteArrayList{"O 1\r\n", "O 2\r\n"} << SIGTERM << "O 1\r\nO 2\r\n\r\n\r\n"_ba << QByteArray();
    QTest::newRow("ST after T4, SIGINT") << u"duramo-st"_s << QStringList{} << "T4"_ba
        << QByteArrayList{"S 1\r\n", "S 2\r\n"} << SIGINT << "S 1\r\nS 2\r\n\r\n\r\n"_ba << "T4$qura1\n\r"_ba;
    QTest::newRow("FENNIX after its answer, SIGINT") << u"fennix"_s << QStringList{} << "$qur10\n\r"_ba
        << QByteArrayList{"F 1\r\n", "F 2\r\n"} << SIGINT << "F 1\r\nF 2\r\n\r\n\r\n"_ba << "$qur10\n\r$qura1\n\r"_ba;
    // The session that started it went away; the file is written all the same.
    QTest::newRow("ST into a file, SIGHUP") << u"kestra"_s << QStringList{u"-o"_s, u"hangup.mes"_s} << "T4"_ba
        << QByteArrayList{"H 1\r\n", "H 2\r\n"} << SIGHUP << "H 1\r\nH 2\r\n\r\n\r\n"_ba << "T4$qura1\n\r"_ba;
    QTest::newRow("ST, timeout") << u"kestra"_s << QStringList{u"--timeout"_s, u"1.5"_s} << "T4"_ba
        << QByteArrayList{"K 1\r\n", "K 2\r\n"} << 0 << "K 1\r\nK 2\r\n\r\n\r\n"_ba << "T4$qura1\n\r"_ba;
}

void TestCli::aStopEndsEachWaitAsEsc()
{
    QFETCH(QString, instrument);
    QFETCH(QStringList, options);
    QFETCH(QByteArray, command);
    QFETCH(QByteArrayList, sent);
    QFETCH(int, signalNumber);
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, wire);

    const qsizetype fileOption = options.indexOf(u"-o"_s);
    const QString file = fileOption >= 0 ? m_folder.filePath(options.at(fileOption + 1)) : QString();
    PtyReader line;
    PtyReader terminal;   // standard error on a terminal shows the line count
    ChildProgram meridoc;
    startMeridoc(meridoc, QStringList{u"read"_s, instrument, u"--device"_s, line.path()} + options, terminal.path());
    if (command.isEmpty()) {
        QVERIFY2(terminal.waitFor("!\n"), QByteArray(terminal.bytes).constData());   // the instruction
    } else {
        // The program asks; its message says it is ready for the data.
        QVERIFY2(line.waitFor(command), QByteArray(line.bytes).constData());
        if (instrument == u"fennix"_s)
            line.write("FNX 2.4 OK\r\n");
        QVERIFY2(terminal.waitFor("Data download from instrument is running\n"), QByteArray(terminal.bytes).constData());
    }
    QVERIFY2(feedCounted(line, terminal, sent), terminal.bytes.constData());
    if (signalNumber != 0)
        meridoc.signal(signalNumber);
    // A signal ends the program by that signal once the read is wound up, so
    // a shell loop stops; the timeout is a status of its own.
    QCOMPARE(meridoc.finish(kBoundMs), signalNumber != 0 ? killedBy(signalNumber) : exitWith(3));
    QCOMPARE(file.isEmpty() ? meridoc.out : readFile(file), data);
    const QByteArray stopped = signalNumber == SIGINT ? "meridoc: stopped by SIGINT after 2 lines; written to "_ba
        : signalNumber == SIGTERM                     ? "meridoc: stopped by SIGTERM after 2 lines; written to "_ba
        : signalNumber == SIGHUP                      ? "meridoc: stopped by SIGHUP after 2 lines; written to "_ba
                                                      : "meridoc: stopped after 2 lines: nothing came for 1.5 s (--timeout); written to "_ba;
    QVERIFY2(terminal.waitFor(stopped), QByteArray(terminal.bytes).constData());
    QCOMPARE(line.all(), wire);
    // The history copy is finished, not left as a running one.
    QCOMPARE(m_folder.historyFiles(u"*.part"_s), QStringList());
}

void TestCli::signalsIgnoredAtStartStayIgnored()
{
    // nohup ignores SIGHUP, and a shell ignores SIGINT for a command it runs
    // in the background: both stay ignored.
    PtyReader line;
    ChildProgram meridoc;
    meridoc.process.setProgram(u"nohup"_s);
    meridoc.process.setArguments({m_meridoc});
    meridoc.process.setChildProcessModifier([] { ::signal(SIGINT, SIG_IGN); });
    startMeridoc(meridoc, {u"read"_s, u"qf100"_s, u"--device"_s, line.path()});
    QVERIFY2(meridoc.waitForErr("Start downloading from the instrument!\n", kBoundMs), meridoc.err.constData());
    line.write("N 1\r");
    QVERIFY2(meridoc.waitForErr("Data download from instrument is running\n", kBoundMs), meridoc.err.constData());

    QFile status(u"/proc/%1/status"_s.arg(meridoc.process.processId()));
    QVERIFY(status.open(QIODevice::ReadOnly));
    QByteArray ignored;
    for (const QByteArray &field : status.readAll().split('\n')) {
        if (field.startsWith("SigIgn:"))
            ignored = field.mid(7).trimmed();
    }
    bool ok = false;
    const qulonglong mask = ignored.toULongLong(&ok, 16);
    QVERIFY2(ok, ignored.constData());
    QVERIFY2(mask & (1ull << (SIGINT - 1)), ignored.constData());
    QVERIFY2(mask & (1ull << (SIGHUP - 1)), ignored.constData());

    meridoc.signal(SIGINT);
    meridoc.signal(SIGHUP);
    line.write("N 2\rEnd\r");
    QCOMPARE(meridoc.finish(kBoundMs), "exit 0"_ba);
    QCOMPARE(meridoc.out, "N 1\r\nN 2\r\nEnd\r\n\r\n\r\n"_ba);
}

void TestCli::nothingReceivedIsNotWritten_data()
{
    QTest::addColumn<QString>("instrument");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("signals");   // how many SIGINT; 0: --timeout ends the wait
    QTest::addColumn<QByteArray>("ending");
    QTest::addColumn<QByteArray>("wire");
    QTest::newRow("listening") << u"qfu"_s << QStringList{} << 1 << killedBy(SIGINT) << QByteArray();
    QTest::newRow("FENNIX polled in vain") << u"fennix"_s << QStringList{} << 1 << killedBy(SIGINT) << "$qur10\n\r$qura1\n\r"_ba;
    QTest::newRow("listening, timeout") << u"fennix-radio"_s << QStringList{u"--timeout=0.2"_s} << 0 << exitWith(5) << QByteArray();
    // The start-mark wait looks at no ESC: a second signal gives up, and the
    // timeout gives up at once.
    QTest::newRow("start mark, twice") << u"qf2000"_s << QStringList{} << 2 << killedBy(SIGINT) << QByteArray();
    QTest::newRow("start mark, timeout") << u"varden"_s << QStringList{u"--timeout=1"_s} << 0 << exitWith(5) << QByteArray();
}

void TestCli::nothingReceivedIsNotWritten()
{
    QFETCH(QString, instrument);
    QFETCH(QStringList, options);
    QFETCH(int, signals);
    QFETCH(QByteArray, ending);
    QFETCH(QByteArray, wire);

    PtyReader line;
    const QString output = m_folder.filePath(u"nothing.mes"_s);
    QVERIFY(writeFile(output, "an earlier read"));
    ChildProgram meridoc;
    QElapsedTimer clock;
    clock.start();
    startMeridoc(meridoc, QStringList{u"read"_s, instrument, u"--device"_s, line.path(), u"-o"_s, output} + options);
    if (instrument == u"fennix"_s)
        QVERIFY(line.waitFor("$qur10\n\r"));
    else
        QVERIFY2(meridoc.waitForErr("!\n", kBoundMs), QByteArray(meridoc.err).constData());
    if (signals > 0)
        meridoc.signal(SIGINT);
    if (signals == 2) {
        QVERIFY2(meridoc.waitForErr("meridoc: a second signal gives up at once.\n", kBoundMs), meridoc.err.constData());
        meridoc.signal(SIGINT);
    }
    QCOMPARE(meridoc.finish(kBoundMs), ending);
    // Not the start mark's own give-up after 11 seconds, and one timeout only.
    QCOMPARE_LT(clock.elapsed(), signals > 0 ? 5000 : 1900);
    if (signals == 0)
        QVERIFY2(!meridoc.err.contains("second"), meridoc.err.constData());
    QVERIFY2(meridoc.err.endsWith("; nothing was written.\n"), QByteArray(meridoc.err).constData());
    QVERIFY2(allPrefixed(meridoc.err), meridoc.err.constData());
    QCOMPARE(readFile(output), "an earlier read"_ba);
    const QByteArray sentByProgram = line.all();
    QCOMPARE(sentByProgram.right(wire.size()), wire);
    if (wire.isEmpty())
        QCOMPARE(sentByProgram, QByteArray());
}

void TestCli::pulledDeviceKeepsTheLines()
{
    PtyReader line;
    PtyReader terminal;
    const QString output = m_folder.filePath(u"pulled.mes"_s);
    ChildProgram meridoc;
    startMeridoc(meridoc, {u"read"_s, u"qf100"_s, u"--device"_s, line.path(), u"-o"_s, output}, terminal.path());
    QVERIFY2(terminal.waitFor("Start downloading from the instrument!\n"), QByteArray(terminal.bytes).constData());
    QVERIFY2(feedCounted(line, terminal, {"Q 1\r", "Q 2\r"}), terminal.bytes.constData());
    line.write("Q 3");   // no record end: not a line
    line.pull();
    QCOMPARE(meridoc.finish(kBoundMs), "exit 4"_ba);
    QCOMPARE(readFile(output), "Q 1\r\nQ 2\r\n\r\n\r\n"_ba);
    // The device named on the command line, not a COM number.
    QVERIFY2(terminal.waitFor("meridoc: the connection to the instrument on " + QFile::encodeName(line.path())
                              + " was lost after 2 lines; written to " + QFile::encodeName(output) + ".\n"),
             QByteArray(terminal.bytes).constData());
    QVERIFY2(!terminal.bytes.contains("COM"), terminal.bytes.constData());

    // Pulled before any line came: a lost connection all the same, and the
    // file of an earlier read stays as it was.
    const QString before = m_folder.filePath(u"before.mes"_s);
    QVERIFY(writeFile(before, "an earlier read"));
    PtyReader early;
    ChildProgram beforeData;
    startMeridoc(beforeData, {u"read"_s, u"qf100"_s, u"--device"_s, early.path(), u"-o"_s, before});
    QVERIFY2(beforeData.waitForErr("Start downloading from the instrument!\n", kBoundMs), beforeData.err.constData());
    early.pull();
    QCOMPARE(beforeData.finish(kBoundMs), "exit 4"_ba);
    QCOMPARE(readFile(before), "an earlier read"_ba);
    QVERIFY2(beforeData.err.contains("meridoc: the connection to the instrument on " + QFile::encodeName(early.path())
                                     + " was lost before any line came; nothing was written.\n"
                                       "meridoc: check the cable and the adapter, then read the instrument again.\n"),
             beforeData.err.constData());
}

void TestCli::checksBeforeTheInstrumentIsRead_data()
{
    QTest::addColumn<QString>("instrument");
    QTest::addColumn<QStringList>("options");   // relative names lie in the test's folder
    QTest::addColumn<QString>("existing");      // a file there before the read
    QTest::addColumn<QByteArray>("message");

    const QString longName = QString(256, u'n') + u".mes"_s;
    // Replacing a file goes through a temporary name 7 bytes longer.
    const QString replaceable = QString(244, u'r') + u".mes"_s;
    const QString tooLongToReplace = QString(246, u'x') + u".mes0"_s;
    QTest::newRow("name too long") << u"qfu"_s << QStringList{u"-o"_s, longName} << QString()
        << "meridoc: cannot write to " + longName.toLatin1() + ": the name is too long for the file system here "
           "(the file is written under a name 7 bytes longer first).\n"
           "meridoc: choose another file with -o; nothing was read.\n"_ba;
    QTest::newRow("existing file that cannot be replaced") << u"qfu"_s << QStringList{u"-o"_s, tooLongToReplace}
        << tooLongToReplace
        << "meridoc: cannot write to " + tooLongToReplace.toLatin1() + ": the name is too long"_ba;
    QTest::newRow("folder of the blocks missing") << u"orvik"_s << QStringList{u"--blocks"_s, u"gone/batch"_s}
        << QString() << "meridoc: cannot write the block files gone/batch(1).mes, ...: the folder gone does not exist.\n"_ba;
    QTest::newRow("block files exist") << u"varden"_s << QStringList{u"--blocks"_s, u"probe"_s} << u"probe(3).mes"_s
        << "meridoc: block files of probe exist already: probe(3).mes.\n"
           "meridoc: give --force to replace them, or another name with --blocks; nothing was read.\n"_ba;
    QTest::newRow("replaceable name") << u"qfu"_s << QStringList{u"-o"_s, replaceable} << replaceable
        << "meridoc: cannot open /dev/meridoc-missing: "_ba;
}

void TestCli::checksBeforeTheInstrumentIsRead()
{
    QFETCH(QString, instrument);
    QFETCH(QStringList, options);
    QFETCH(QString, existing);
    QFETCH(QByteArray, message);

    if (!existing.isEmpty())
        QVERIFY(writeFile(m_folder.filePath(existing), "an earlier read"));
    // No device: when the port is tried, the check came too late.
    ChildProgram meridoc;
    QCOMPARE(run(meridoc, QStringList{u"read"_s, instrument, u"--device"_s, u"/dev/meridoc-missing"_s} + options),
             "exit 1"_ba);
    QVERIFY2(meridoc.err.contains(message), meridoc.err.constData());
    QVERIFY2(allPrefixed(meridoc.err), meridoc.err.constData());
    if (!existing.isEmpty())
        QCOMPARE(readFile(m_folder.filePath(existing)), "an earlier read"_ba);
    QCOMPARE(meridoc.out, QByteArray());
}

void TestCli::portErrorsAndUnwritableFiles()
{
    // A device that is not there: said in the command line's words, nothing
    // written; "-o --help" names a file, it asks for no help.
    const QString output = m_folder.filePath(u"none.mes"_s);
    {
        ChildProgram meridoc;
        QCOMPARE(run(meridoc, {u"read"_s, u"kestra"_s, u"--device"_s, u"/dev/meridoc-missing"_s, u"-o"_s, u"--help"_s}),
                 "exit 1"_ba);
        QVERIFY2(meridoc.err.startsWith("meridoc: cannot open /dev/meridoc-missing: there is no such device ("),
                 QByteArray(meridoc.err).constData());
        QVERIFY2(meridoc.err.endsWith("meridoc: connect the instrument's cable or USB adapter, or give another port "
                                      "with --com N or --device PATH.\n"),
                 QByteArray(meridoc.err).constData());
        QCOMPARE(meridoc.out, QByteArray());
        QVERIFY(!QFileInfo::exists(m_folder.filePath(u"--help"_s)));
    }
    // Without --com the port comes from Port.txt; without Port.txt there is none.
    QFile::remove(m_folder.filePath(u"Port.txt"_s));
    {
        ChildProgram meridoc;
        QCOMPARE(run(meridoc, {u"read"_s, u"qfu"_s}), "exit 1"_ba);
        QVERIFY2(meridoc.err.startsWith("meridoc: the port file " + QFile::encodeName(m_folder.filePath(u"Port.txt"_s))
                                        + " could not be read: "),
                 QByteArray(meridoc.err).constData());
        QVERIFY2(meridoc.err.contains("\nmeridoc: give the port with --com N or --device PATH"), QByteArray(meridoc.err).constData());
    }
    QVERIFY(m_folder.choosePort(9));
    ChildProgram sim;
    startSim(sim, u"kestra"_s, 9, {u"--repeat"_s});
    {
        // A file in a folder that is not there is refused before the instrument is read.
        ChildProgram meridoc;
        QCOMPARE(run(meridoc, {u"read"_s, u"kestra"_s, u"-o"_s, m_folder.filePath(u"no/such/folder.mes"_s)}),
                 "exit 1"_ba);
        QVERIFY2(meridoc.err.contains("does not exist"), QByteArray(meridoc.err).constData());
    }
    QVERIFY(m_folder.clearHistory());   // the copies of the reads before
    {
        // -oFILE as -o FILE; this read keeps no history copy.
        ChildProgram meridoc;
        QCOMPARE(run(meridoc, {u"read"_s, u"kestra"_s, u"-o"_s + output, u"--no-history"_s}), "exit 0"_ba);
        QCOMPARE(readFile(output), kestraData);
        QCOMPARE(meridoc.out, QByteArray());
        QCOMPARE(m_folder.historyFiles(), QStringList());
    }

    // Standard output that takes no data: the lines were read, and the
    // download history's copy holds them.
    QVERIFY(sim.waitForOut("Ready for another download", kBoundMs));
    ChildProgram full;
    full.process.setStandardOutputFile(u"/dev/full"_s);
    QCOMPARE(run(full, {u"read"_s, u"kestra"_s}), "exit 6"_ba);
    const QStringList copies = m_folder.historyFiles(u"* KESTRA II - DURAMO 80F-ST.mes"_s);
    QCOMPARE(copies.size(), 1);
    const QString copy = m_folder.historyPath(copies.first());
    QCOMPARE(readFile(copy), kestraData);
    QVERIFY2(full.err.contains("meridoc: standard output could not be written: No space left on device.\n"), full.err.constData());
    QVERIFY2(full.err.endsWith("meridoc: the 5 lines are kept in the history copy " + QFile::encodeName(copy) + ".\n"),
             full.err.constData());
    QVERIFY2(allPrefixed(full.err), full.err.constData());

    // A history copy that cannot be kept is said at once; the read goes on.
    QVERIFY(m_folder.clearHistory());
    QVERIFY(writeFile(m_folder.historyPath(), "not a folder"));
    QVERIFY(sim.waitForOut("Ready for another download", kBoundMs));
    ChildProgram noCopy;
    QCOMPARE(run(noCopy, {u"read"_s, u"kestra"_s}), "exit 0"_ba);
    QCOMPARE(noCopy.out, kestraData);
    QVERIFY2(noCopy.err.contains("meridoc: the history copy could not be made: "), noCopy.err.constData());
    QVERIFY2(noCopy.err.endsWith("meridoc: 5 lines received up to \"End\"; written to standard output.\n"),
             noCopy.err.constData());
    QVERIFY(QFile::remove(m_folder.historyPath()));
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
