// The command line as a user runs it: meridoc and meridoc-sim as two processes
// on a pty, and scripted lines for the stops, the lost device and the errors.
#include "Pty.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int kBoundMs = 20000;

// A pty side the test reads without blocking: the instrument's end of a
// scripted line, or the terminal meridoc writes its messages to.
class PtyReader
{
public:
    PtyReader()
    {
        ::fcntl(m_pty.masterFd(), F_SETFL, ::fcntl(m_pty.masterFd(), F_GETFL) | O_NONBLOCK);
        m_notifier = std::make_unique<QSocketNotifier>(m_pty.masterFd(), QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { readAll(); });
    }
    QString path() const { return m_pty.slavePath(); }
    void write(const QByteArray &bytes) { QCOMPARE(::write(m_pty.masterFd(), bytes.constData(), bytes.size()), bytes.size()); }
    // Everything the program wrote so far, also what the loop has not delivered yet.
    QByteArray all()
    {
        readAll();
        return bytes;
    }
    void pull()
    {
        m_notifier.reset();
        m_pty.closeMaster();
    }
    bool waitFor(const QByteArray &text)
    {
        return QTest::qWaitFor([&] { return bytes.contains(text); }, kBoundMs);
    }
    QByteArray bytes;

private:
    void readAll()
    {
        char buffer[4096];
        ssize_t n;
        while ((n = ::read(m_pty.masterFd(), buffer, sizeof buffer)) > 0)
            bytes.append(buffer, n);
    }
    Pty m_pty;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

// One run of a program, its output collected while the test waits.
struct Program
{
    QProcess process;
    QByteArray out;
    QByteArray err;

    Program()
    {
        QObject::connect(&process, &QProcess::readyReadStandardOutput, [this] { out += process.readAllStandardOutput(); });
        QObject::connect(&process, &QProcess::readyReadStandardError, [this] { err += process.readAllStandardError(); });
    }
    ~Program()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(kBoundMs);
        }
    }
    bool waitForErr(const QByteArray &text)
    {
        return QTest::qWaitFor([&] { return err.contains(text); }, kBoundMs);
    }
    bool waitForOut(const QByteArray &text)
    {
        return QTest::qWaitFor([&] { return out.contains(text); }, kBoundMs);
    }
    // Waits for the end and returns the exit code (-1 when it did not end normally).
    int finish()
    {
        if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, kBoundMs))
            return -1;
        out += process.readAllStandardOutput();
        err += process.readAllStandardError();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    void signal(int number) { ::kill(pid_t(process.processId()), number); }
};

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

} // namespace

class TestCli : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void helpAndVersionNeedNoDisplay();
    void wrongCommandLines_data();
    void wrongCommandLines();
    void readsEveryInstrumentFromTheSimulator_data();
    void readsEveryInstrumentFromTheSimulator();
    void blockFilesAreNotReplacedWithoutForce();
    void aStopEndsEachWaitAsEsc_data();
    void aStopEndsEachWaitAsEsc();
    void nothingReceivedIsNotWritten_data();
    void nothingReceivedIsNotWritten();
    void pulledDeviceKeepsTheLines();
    void portErrorsAndUnwritableFiles();

private:
    // meridoc and meridoc-sim copied into one folder: the program folder of
    // both, as a portable copy, so ports/comN and Port.txt are the test's own.
    void startMeridoc(Program &program, const QStringList &arguments, const QString &errTerminal = {});
    void startSim(Program &sim, const QString &family, int com, bool repeat = false);

    QTemporaryDir m_folder{QDir::currentPath() + u"/cli-XXXXXX"_s};
    QString m_meridoc;
    QString m_sim;
};

namespace {

bool placeExecutable(const QString &from, const QString &to)
{
    // A hard link costs nothing; another file system gets a copy.
    if (::link(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    return QFile::copy(from, to) && QFile::setPermissions(to, QFile::permissions(from));
}

} // namespace

void TestCli::initTestCase()
{
    QVERIFY(m_folder.isValid());
    m_meridoc = m_folder.filePath(u"meridoc"_s);
    m_sim = m_folder.filePath(u"meridoc-sim"_s);
    QVERIFY(placeExecutable(QStringLiteral(MERIDOC_PATH), m_meridoc));
    QVERIFY(placeExecutable(QStringLiteral(MERIDOC_SIM_PATH), m_sim));
    QVERIFY(QDir(m_folder.path()).mkpath(u"HTML_Help"_s));
}

void TestCli::startMeridoc(Program &program, const QStringList &arguments, const QString &errTerminal)
{
    program.process.setWorkingDirectory(m_folder.path());
    if (!errTerminal.isEmpty())
        program.process.setStandardErrorFile(errTerminal);
    program.process.start(m_meridoc, arguments);
    QVERIFY(program.process.waitForStarted(kBoundMs));
}

void TestCli::startSim(Program &sim, const QString &family, int com, bool repeat)
{
    QFile::remove(m_folder.filePath(u"ports/com%1"_s.arg(com)));
    QStringList arguments{u"--family"_s, family, u"--com"_s, QString::number(com)};
    if (repeat)
        arguments.append(u"--repeat"_s);
    sim.process.start(m_sim, arguments);
    QVERIFY2(sim.waitForOut("/dev/pts/"), QByteArray(sim.out + sim.err).constData());
}

void TestCli::helpAndVersionNeedNoDisplay()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString &name : {u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s})
        environment.remove(name);

    Program help;
    help.process.setProcessEnvironment(environment);
    startMeridoc(help, {u"--help"_s});
    QCOMPARE(help.finish(), 0);
    QVERIFY2(help.out.startsWith("Usage: meridoc [--help | --version]\n"
                                 "       meridoc read INSTRUMENT [--com N | --device PATH] [-o FILE]"),
             QByteArray(help.out).constData());
    for (const char *text : {"orvik, varden, qf2000, fennix, fennix-radio, duramo-fn, qf100, duramo-st, kestra, qfu",
                             "--timeout SECONDS", "  5  no data came at all"})
        QVERIFY2(help.out.contains(text), text);
    QCOMPARE(help.err, QByteArray());

    Program version;
    version.process.setProcessEnvironment(environment);
    startMeridoc(version, {u"--version"_s});
    QCOMPARE(version.finish(), 0);
    QCOMPARE(version.out, "meridoc 15.1\n"_ba);
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
        << "meridoc: --timeout needs a number of seconds above 0, not \"0\"."_ba;
    QTest::newRow("value missing") << QStringList{u"read"_s, u"kestra"_s, u"-o"_s}
        << "meridoc: -o needs a value."_ba;
    QTest::newRow("second instrument") << QStringList{u"read"_s, u"kestra"_s, u"qfu"_s}
        << "meridoc: unexpected argument \"qfu\"."_ba;
}

void TestCli::wrongCommandLines()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, error);
    Program meridoc;
    startMeridoc(meridoc, arguments);
    QCOMPARE(meridoc.finish(), 2);
    const QList<QByteArray> lines = meridoc.err.split('\n');
    QVERIFY2(lines.at(0).startsWith(error), QByteArray(meridoc.err).constData());
    QVERIFY2(lines.at(1).startsWith("Usage: meridoc"), QByteArray(meridoc.err).constData());
    QCOMPARE(meridoc.out, QByteArray());
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
    QTest::newRow("kestra") << u"kestra"_s << QByteArray() << QByteArrayList{"<- T4", "<- $qura1\\n\\r"}
        << "KESTRA II  Batch 1\r\n  75.3 um\r\n  74.9 um\r\n  76.2 um\r\nEnd\r\n\r\n\r\n"_ba;
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
    Program sim;
    startSim(sim, family, com);
    Program meridoc;
    startMeridoc(meridoc, {u"read"_s, family, u"--com"_s, QString::number(com)});
    if (!instruction.isEmpty()) {
        QVERIFY2(meridoc.waitForErr(instruction + '\n'), QByteArray(meridoc.err).constData());
        sim.process.write("\n");   // the transfer key on the instrument
    }
    QCOMPARE(meridoc.finish(), 0);
    QCOMPARE(meridoc.out, data);
    QVERIFY2(meridoc.err.endsWith("received up to \"End\"; written to standard output.\n"), QByteArray(meridoc.err).constData());
    QCOMPARE(sim.finish(), 0);
    QByteArrayList sent;
    for (const QByteArray &line : sim.out.split('\n')) {
        if (line.contains(" <- "))
            sent.append(line.mid(line.indexOf(" <- ") + 1));
    }
    QCOMPARE(sent, wire);
}

void TestCli::blockFilesAreNotReplacedWithoutForce()
{
    Program sim;
    startSim(sim, u"orvik"_s, 16, true);
    const QString base = m_folder.filePath(u"batch"_s);
    const QString all = m_folder.filePath(u"all.mes"_s);
    const QByteArray bar = "____________________";
    const QByteArray block1 = "ORVIK FE-B  Memory 1\r\n  12.5 um\r\n  13.1 um\r\n  12.8 um\r\n  13.4 um\r\n" + bar + "\r\n\r\n";
    const QByteArray block2 = "ORVIK FE-B  Memory 2\r\n  48.0 um\r\n  47.2 um\r\n  49.1 um\r\n" + bar + "\r\n\r\n";

    int reads = 0;
    const auto read = [&](const QStringList &extra) {
        // The instrument takes the key again once it has delivered everything.
        if (reads > 0 && !sim.waitForOut("Ready for another download"))
            return qMakePair(-1, sim.out);
        sim.out.replace("Ready for another download", "ready");
        ++reads;
        Program meridoc;
        startMeridoc(meridoc, QStringList{u"read"_s, u"orvik"_s, u"--com=16"_s, u"-o"_s, all, u"--blocks"_s, base} + extra);
        if (!meridoc.waitForErr("Transfer FE/NFE memory !\n"))
            return qMakePair(-1, meridoc.err);
        sim.process.write("\n");
        return qMakePair(meridoc.finish(), meridoc.err);
    };
    const auto contentOf = [](const QString &path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    };

    auto [status, err] = read({});
    QCOMPARE(status, 0);
    QCOMPARE(contentOf(base + u"(1).mes"_s), block1);
    QCOMPARE(contentOf(base + u"(2).mes"_s), block2);
    QVERIFY(contentOf(all).startsWith("ORVIK FE-B  Memory 1\r\n  12.5 um\r\n"));
    QVERIFY2(err.contains("The 2 blocks are in " + QFile::encodeName(base) + "(1).mes to "), QByteArray(err).constData());

    // Existing block files are left alone; the lines still reach -o.
    for (const QString &name : {base + u"(1).mes"_s, base + u"(2).mes"_s}) {
        QFile file(name);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("kept");
    }
    QVERIFY(QFile::remove(all));
    std::tie(status, err) = read({});
    QCOMPARE(status, 1);
    QVERIFY2(err.contains("2 of the 2 block files exist already") && err.contains("--force"), QByteArray(err).constData());
    QCOMPARE(contentOf(base + u"(1).mes"_s), "kept"_ba);
    QVERIFY(contentOf(all).endsWith("End\r\n\r\n\r\n"));

    std::tie(status, err) = read({u"--force"_s});
    QCOMPARE(status, 0);
    QCOMPARE(contentOf(base + u"(2).mes"_s), block2);
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

    PtyReader line;
    PtyReader terminal;   // standard error on a terminal shows the line count
    Program meridoc;
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
    QCOMPARE(meridoc.finish(), 3);
    QCOMPARE(meridoc.out, data);
    QVERIFY2(terminal.waitFor("Stopped after "), QByteArray(terminal.bytes).constData());
    QCOMPARE(line.all(), wire);
}

void TestCli::nothingReceivedIsNotWritten_data()
{
    QTest::addColumn<QString>("instrument");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("signals");   // how many SIGINT; 0: --timeout ends the wait
    QTest::addColumn<QByteArray>("wire");
    QTest::newRow("listening") << u"qfu"_s << QStringList{} << 1 << QByteArray();
    QTest::newRow("FENNIX polled in vain") << u"fennix"_s << QStringList{} << 1 << "$qur10\n\r$qura1\n\r"_ba;
    QTest::newRow("listening, timeout") << u"fennix-radio"_s << QStringList{u"--timeout=0.2"_s} << 0 << QByteArray();
    // The start-mark wait looks at no ESC: a second signal gives up.
    QTest::newRow("start mark, twice") << u"qf2000"_s << QStringList{} << 2 << QByteArray();
}

void TestCli::nothingReceivedIsNotWritten()
{
    QFETCH(QString, instrument);
    QFETCH(QStringList, options);
    QFETCH(int, signals);
    QFETCH(QByteArray, wire);

    PtyReader line;
    const QString output = m_folder.filePath(u"nothing.mes"_s);
    Program meridoc;
    startMeridoc(meridoc, QStringList{u"read"_s, instrument, u"--device"_s, line.path(), u"-o"_s, output} + options);
    if (instrument == u"fennix"_s)
        QVERIFY(line.waitFor("$qur10\n\r"));
    else
        QVERIFY2(meridoc.waitForErr("!\n"), QByteArray(meridoc.err).constData());
    if (signals > 0)
        meridoc.signal(SIGINT);
    if (signals == 2) {
        QVERIFY2(meridoc.waitForErr("a second Ctrl+C or SIGTERM gives up at once.\n"), meridoc.err.constData());
        meridoc.signal(SIGINT);
    }
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(meridoc.finish(), 5);
    // Not the start mark's own give-up after 11 seconds.
    QCOMPARE_LT(clock.elapsed(), 5000);
    QVERIFY2(meridoc.err.endsWith("No data came from the instrument; nothing was written.\n"), QByteArray(meridoc.err).constData());
    QVERIFY(!QFileInfo::exists(output));
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
    Program meridoc;
    startMeridoc(meridoc, {u"read"_s, u"qf100"_s, u"--device"_s, line.path(), u"-o"_s, output}, terminal.path());
    QVERIFY2(terminal.waitFor("Start downloading from the instrument!\n"), QByteArray(terminal.bytes).constData());
    QVERIFY2(feedCounted(line, terminal, {"Q 1\r", "Q 2\r"}), terminal.bytes.constData());
    line.write("Q 3");   // no record end: not a line
    line.pull();
    QCOMPARE(meridoc.finish(), 4);
    QFile file(output);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), "Q 1\r\nQ 2\r\n\r\n\r\n"_ba);
    QVERIFY2(terminal.waitFor("The connection was lost after 2 lines; written to "), QByteArray(terminal.bytes).constData());
    QVERIFY2(terminal.bytes.contains("The connection to the instrument on COM1 was lost."),
             QByteArray(terminal.bytes).constData());

    // Pulled before any line came: a lost connection all the same, not "no data".
    PtyReader early;
    PtyReader earlyTerminal;
    Program beforeData;
    startMeridoc(beforeData, {u"read"_s, u"qf100"_s, u"--device"_s, early.path()}, earlyTerminal.path());
    QVERIFY2(earlyTerminal.waitFor("Start downloading from the instrument!\n"), earlyTerminal.bytes.constData());
    early.pull();
    QCOMPARE(beforeData.finish(), 4);
}

void TestCli::portErrorsAndUnwritableFiles()
{
    // A device that is not there: the window's message, nothing written.
    const QString output = m_folder.filePath(u"none.mes"_s);
    {
        Program meridoc;
        startMeridoc(meridoc, {u"read"_s, u"kestra"_s, u"--device"_s, u"/dev/meridoc-missing"_s, u"-o"_s, output});
        QCOMPARE(meridoc.finish(), 1);
        QVERIFY2(meridoc.err.contains("there is no device /dev/meridoc-missing"), QByteArray(meridoc.err).constData());
        QVERIFY2(meridoc.err.contains("Connect the instrument's cable or USB adapter"), QByteArray(meridoc.err).constData());
        QVERIFY(!QFileInfo::exists(output));
    }
    // Without --com the port comes from Port.txt; without Port.txt there is none.
    QFile::remove(m_folder.filePath(u"Port.txt"_s));
    {
        Program meridoc;
        startMeridoc(meridoc, {u"read"_s, u"qfu"_s});
        QCOMPARE(meridoc.finish(), 1);
        QVERIFY2(meridoc.err.startsWith("The port file "), QByteArray(meridoc.err).constData());
        QVERIFY2(meridoc.err.contains("Give the port with --com N or --device PATH"), QByteArray(meridoc.err).constData());
    }
    {
        QFile port(m_folder.filePath(u"Port.txt"_s));
        QVERIFY(port.open(QIODevice::WriteOnly));
        port.write(" 9\r\n");
    }
    Program sim;
    startSim(sim, u"kestra"_s, 9, true);
    {
        // A file in a folder that is not there is refused before the instrument is read.
        Program meridoc;
        startMeridoc(meridoc, {u"read"_s, u"kestra"_s, u"-o"_s, m_folder.filePath(u"no/such/folder.mes"_s)});
        QCOMPARE(meridoc.finish(), 1);
        QVERIFY2(meridoc.err.contains("does not exist"), QByteArray(meridoc.err).constData());
    }
    QDir history(m_folder.filePath(u"history"_s));
    QVERIFY(history.removeRecursively());   // the copies of the reads before
    Program meridoc;
    startMeridoc(meridoc, {u"read"_s, u"kestra"_s, u"-o"_s, output});
    QCOMPARE(meridoc.finish(), 0);
    QFile file(output);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), "KESTRA II  Batch 1\r\n  75.3 um\r\n  74.9 um\r\n  76.2 um\r\nEnd\r\n\r\n\r\n"_ba);
    QCOMPARE(meridoc.out, QByteArray());
    // The download history of the program folder keeps its copy, as after a download in the window.
    const QStringList copies = history.entryList({u"*KESTRA*"_s}, QDir::Files);
    QCOMPARE(copies.size(), 1);
    QFile copy(history.filePath(copies.first()));
    QVERIFY(copy.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), "KESTRA II  Batch 1\r\n  75.3 um\r\n  74.9 um\r\n  76.2 um\r\nEnd\r\n\r\n\r\n"_ba);

    // Standard output that takes no data: the read fails with the reason.
    QVERIFY(sim.waitForOut("Ready for another download"));
    Program full;
    full.process.setStandardOutputFile(u"/dev/full"_s);
    startMeridoc(full, {u"read"_s, u"kestra"_s});
    QCOMPARE(full.finish(), 1);
    QVERIFY2(full.err.contains("The data could not be saved to standard output:\nNo space left on device."),
             full.err.constData());
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
