// A power cut at every moment of four real runs: a saved file replacing an
// old one (the command line's -o, the window's Save through the same writer),
// the block files, Port.txt from the port dialog, and a download of a few
// seconds into the history. Each run is traced with strace; every state the
// cut may leave (pessimistic model, see PowerCut.h) must keep the promises:
// a file reported saved is there whole, a replaced file is the old or the new
// one (never missing, empty or cut), and the history holds every line
// received at least one second before the cut.
#include "ChildProgram.h"
#include "PortDialog.h"
#include "PowerCut.h"
#include "ProgramFolder.h"
#include "TestFiles.h"
#include "TestOrChild.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

constexpr int kBoundMs = 60000;
// States listed per moment before they are sampled (seeded).
constexpr int kSampleLimit = 256;

// The child of the Port.txt run: the port dialog stores COM 3 in the folder
// and says so on standard error.
int choosePort(int argc, char *argv[])
{
    QApplication app(argc, argv);
    PortDialogHooks hooks{QString::fromLocal8Bit(argv[2]), [] { return u"1"_s; }, [](const QString &) {},
                          [](const QString &caption) { std::fprintf(stderr, "saved: %s\n", qPrintable(caption)); },
                          [](const QString &, const QString &text) { std::fprintf(stderr, "%s\n", qPrintable(text)); }};
    PortDialog dialog(hooks);
    dialog.load();
    dialog.findChild<QComboBox *>(u"PortText"_s)->setEditText(u"3"_s);
    dialog.findChild<QPushButton *>(u"OK1"_s)->click();
    return 0;
}

// The promises, checked in one state; each broken one is counted by its kind.
struct Verdict
{
    int states = 0;
    QMap<QString, int> broken;
    QString firstBroken;

    void breaks(const QString &kind, const PowerCut::Moment &moment)
    {
        // POWERCUT_DEBUG=1 lists every broken state's moment (calls counted from 0).
        if (qEnvironmentVariableIsSet("POWERCUT_DEBUG"))
            qDebug() << "broken:" << kind << "cut after call" << moment.call << "before call" << moment.nextChange;
        if (broken.isEmpty())
            firstBroken = u"%1 (cut after call %2)"_s.arg(kind).arg(moment.call);
        ++broken[kind];
    }
    QString summary() const
    {
        int total = 0;
        QStringList kinds;
        for (auto it = broken.cbegin(); it != broken.cend(); ++it) {
            total += it.value();
            kinds.append(u"%1: %2"_s.arg(it.key()).arg(it.value()));
        }
        return u"%1 states, %2 broken"_s.arg(states).arg(total)
             + (kinds.isEmpty() ? QString() : u" ("_s + kinds.join(u"; "_s) + u")"_s);
    }
};

// A file replaced by the program: the old or the new content, never
// anything else; the new one once the program said so.
void checkReplaced(const DiskState &state, const PowerCut::Moment &moment, const QString &path,
                   const std::optional<QByteArray> &old, const QByteArray &now, bool reported, Verdict &verdict)
{
    const std::optional<QByteArray> there = state.contains(path) ? std::optional(state.value(path)) : std::nullopt;
    if (reported && there != now)
        verdict.breaks(path + u" reported saved but not there whole"_s, moment);
    else if (there != old && there != now)
        verdict.breaks(path + (there ? (there->isEmpty() ? u" empty"_s : u" neither old nor new"_s) : u" missing"_s),
                       moment);
}

// The history holds, in one of its files, the lines completed at least a
// second before the cut: from the first, or from the second (a finished file
// holds what Save writes).
void checkHistory(const DiskState &state, const PowerCut::Moment &moment, const QList<PowerCut::Received> &reads,
                  Verdict &verdict)
{
    QByteArray stream;
    QByteArrayList lines;
    for (const PowerCut::Received &read : reads) {
        if (!moment.afterRun && read.time > moment.latest - 1.0)
            break;
        stream += read.bytes;
    }
    for (qsizetype end; (end = stream.indexOf("\r\n")) >= 0; stream.remove(0, end + 2))
        lines.append(stream.left(end + 2));
    if (lines.isEmpty())
        return;
    const QByteArray fromFirst = lines.join();
    const QByteArray fromSecond = fromFirst.mid(lines.first().size());
    for (auto it = state.cbegin(); it != state.cend(); ++it) {
        if (it.key().startsWith(u"history/"_s) && !it.key().startsWith(u"history/."_s)
            && (it.key().endsWith(u".mes"_s) || it.key().endsWith(u".mes.part"_s))
            && (it.value().startsWith(fromFirst) || it.value().startsWith(fromSecond)))
            return;
    }
    verdict.breaks(u"history lacks lines received a second before"_s, moment);
}

bool saidBefore(const QList<PowerCut::Received> &messages, const QByteArray &text, int call)
{
    for (const PowerCut::Received &message : messages) {
        if (message.call < call && message.bytes.contains(text))
            return true;
    }
    return false;
}

} // namespace

class TestPowerCut : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void saveReplacingAFile();
    void blockFiles();
    void portFile();
    void downloadIntoTheHistory();

private:
    // Starts meridoc-sim playing the family, with these options; its device.
    QString startSim(ChildProgram &sim, const QString &family, const QStringList &options);
    using Check = std::function<void(const PowerCut &, const PowerCut::Moment &, const DiskState &, Verdict &)>;
    // Runs the program under strace in the folder, replays its calls and
    // checks every state a power cut may leave.
    void runTraced(const QString &program, const QStringList &arguments, const Check &check);

    QTemporaryDir m_scratch;
    std::unique_ptr<ProgramFolder> m_folder;   // the program folder of a portable copy
    QString m_meridoc;
};

void TestPowerCut::initTestCase()
{
    QVERIFY(m_scratch.isValid());
    ChildProgram strace;
    QVERIFY2(strace.start(u"strace"_s, {u"-f"_s, u"-o"_s, u"/dev/null"_s, u"true"_s}, kBoundMs)
                 && strace.finish(kBoundMs) == "exit 0",
             "strace must be installed (scripts/setup.sh does) and allowed to trace its child");
}

void TestPowerCut::init()
{
    m_folder = std::make_unique<ProgramFolder>();
    QVERIFY(m_folder->isValid());
    QVERIFY(m_folder->makePortable({QStringLiteral(MERIDOC_PATH)}));
    m_meridoc = m_folder->filePath(u"meridoc"_s);
}

QString TestPowerCut::startSim(ChildProgram &sim, const QString &family, const QStringList &options)
{
    if (!sim.startSimulator(QStringList{u"--family"_s, family, u"--print-path"_s, u"--no-split"_s, u"--repeat"_s}
                                + options,
                            kBoundMs))
        return {};
    return sim.firstLine();
}

void TestPowerCut::runTraced(const QString &program, const QStringList &arguments, const Check &check)
{
    const QString trace = m_scratch.filePath(u"trace.txt"_s);
    PowerCut model(m_folder->path(), m_folder->path());
    ChildProgram run;
    run.process.setWorkingDirectory(m_folder->path());
    run.process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QVERIFY(run.start(u"strace"_s, straceOptions(trace) + QStringList{u"--"_s, program} + arguments, kBoundMs));
    QVERIFY(run.finish(kBoundMs) != "still running");
    QFile file(trace);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<TracedCall> calls = parseStrace(file.readAll());
    Verdict verdict;
    QVERIFY2(model.replay(calls, kSampleLimit,
                          [&](const PowerCut::Moment &moment, const DiskState &state) {
                              ++verdict.states;
                              check(model, moment, state, verdict);
                          }),
             qPrintable(model.error()));
    // The model followed every change: its folder is the one on the disk.
    const DiskState modelled = model.current();
    const DiskState real = PowerCut::onDisk(m_folder->path());
    QCOMPARE(modelled.keys(), real.keys());
    QVERIFY(modelled == real);
    qInfo("%d calls, %d moments (%d sampled); %s", int(calls.size()), model.moments(), model.sampledMoments(),
          qPrintable(verdict.summary()));
    QVERIFY2(verdict.broken.isEmpty(), qPrintable(verdict.summary() + u"; first: "_s + verdict.firstBroken));
}

void TestPowerCut::saveReplacingAFile()
{
    const QByteArray saved = "DURAMO 5 ST  Series 1\r\n   8.2 um\r\n   8.5 um\r\n   8.1 um\r\n   8.4 um\r\nEnd\r\n\r\n\r\n";
    QVERIFY(writeFile(m_folder->filePath(u"out.mes"_s), "old\r\n"_ba));
    ChildProgram sim;
    const QString device = startSim(sim, u"duramo-st"_s, {});
    QVERIFY(!device.isEmpty());
    runTraced(m_meridoc, {u"read"_s, u"duramo-st"_s, u"--device"_s, device, u"-o"_s, u"out.mes"_s},
              [&](const PowerCut &model, const PowerCut::Moment &moment, const DiskState &state, Verdict &verdict) {
                  const bool reported = saidBefore(model.messages(), "written to out.mes", moment.nextChange);
                  checkReplaced(state, moment, u"out.mes"_s, "old\r\n"_ba, saved, reported, verdict);
                  checkHistory(state, moment, model.deviceReads(), verdict);
              });
    QCOMPARE(readFile(m_folder->filePath(u"out.mes"_s)), saved);
}

void TestPowerCut::blockFiles()
{
    const QByteArray first = "ORVIK FE-B  Memory 1\r\n  12.5 um\r\n  13.1 um\r\n  12.8 um\r\n  13.4 um\r\n"
                             "____________________\r\n\r\n";
    const QByteArray second = "ORVIK FE-B  Memory 2\r\n  48.0 um\r\n  47.2 um\r\n  49.1 um\r\n____________________\r\n\r\n";
    QVERIFY(writeFile(m_folder->filePath(u"batch(1).mes"_s), "old block\r\n"_ba));
    ChildProgram sim;
    const QString device = startSim(sim, u"orvik"_s, {u"--pause-ms"_s, u"1500"_s});
    QVERIFY(!device.isEmpty());
    runTraced(m_meridoc,
              {u"read"_s, u"orvik"_s, u"--device"_s, device, u"-o"_s, u"all.mes"_s, u"--blocks"_s, u"batch"_s,
               u"--force"_s},
              [&](const PowerCut &model, const PowerCut::Moment &moment, const DiskState &state, Verdict &verdict) {
                  const bool reported = saidBefore(model.messages(), "blocks are in", moment.nextChange);
                  checkReplaced(state, moment, u"batch(1).mes"_s, "old block\r\n"_ba, first, reported, verdict);
                  checkReplaced(state, moment, u"batch(2).mes"_s, std::nullopt, second, reported, verdict);
                  checkHistory(state, moment, model.deviceReads(), verdict);
              });
    QCOMPARE(readFile(m_folder->filePath(u"batch(2).mes"_s)), second);
}

void TestPowerCut::portFile()
{
    QVERIFY(writeFile(m_folder->filePath(u"Port.txt"_s), " 1\r\n"_ba));
    ChildProgram sim;
    QVERIFY2(sim.startSimulator({u"--family"_s, u"duramo-st"_s, u"--folder"_s, m_folder->path(), u"--com"_s, u"3"_s,
                                 u"--repeat"_s},
                                kBoundMs),
             qPrintable(sim.error()));
    QVERIFY(QFileInfo(m_folder->filePath(u"ports/com3"_s)).isSymLink());
    runTraced(QCoreApplication::applicationFilePath(), {u"--choose-port"_s, m_folder->path()},
              [&](const PowerCut &model, const PowerCut::Moment &moment, const DiskState &state, Verdict &verdict) {
                  const bool reported = saidBefore(model.messages(), "saved: ", moment.nextChange);
                  checkReplaced(state, moment, u"Port.txt"_s, " 1\r\n"_ba, " 3\r\n"_ba, reported, verdict);
              });
    QCOMPARE(readFile(m_folder->filePath(u"Port.txt"_s)), " 3\r\n"_ba);
}

// About four seconds of numbered lines at 2,400 baud: the history copy grows
// and is synced while they come.
void TestPowerCut::downloadIntoTheHistory()
{
    ChildProgram sim;
    const QString device = startSim(sim, u"duramo-st"_s, {u"--lines"_s, u"40"_s, u"--baud"_s, u"2400"_s});
    QVERIFY(!device.isEmpty());
    runTraced(m_meridoc, {u"read"_s, u"duramo-st"_s, u"--device"_s, device, u"-o"_s, u"-"_s},
              [&](const PowerCut &model, const PowerCut::Moment &moment, const DiskState &state, Verdict &verdict) {
                  checkHistory(state, moment, model.deviceReads(), verdict);
              });
}

int main(int argc, char *argv[])
{
    return runTestOrChild<QCoreApplication, TestPowerCut>(argc, argv, "--choose-port", choosePort);
}

#include "tst_powercut.moc"
