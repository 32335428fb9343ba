// The rules of the program without its window: the wait, the ESC test,
// which folders hold the help and the user's files, and the status line's
// texts.
#include "Delay.h"
#include "EscWatch.h"
#include "ProgramFolders.h"
#include "StatusText.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QKeyEvent>
#include <QTest>
#include <QWidget>

class TestUtilities : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void delayWaits_data();
    void delayWaits();
    void escRules_data();
    void escRules();
    void programFolders_data();
    void programFolders();
    void downloadStatus_data();
    void downloadStatus();
    void fileStatus();
};

void TestUtilities::delayWaits_data()
{
    QTest::addColumn<double>("milliseconds");
    QTest::addColumn<double>("seconds");
    QTest::addColumn<int>("minMs");
    QTest::addColumn<int>("maxMs");
    QTest::newRow("200 ms") << 200.0 << 0.2 << 199 << 400;
    QTest::newRow("zero") << 0.0 << 0.0 << 0 << 20;
    QTest::newRow("negative") << -500.0 << -0.5 << 0 << 20;
}

void TestUtilities::delayWaits()
{
    QFETCH(double, milliseconds);
    QFETCH(double, seconds);
    QFETCH(int, minMs);
    QFETCH(int, maxMs);

    QElapsedTimer clock;
    clock.start();
    double value = milliseconds;
    delay(value);
    const qint64 elapsed = clock.elapsed();
    QCOMPARE(value, seconds);
    QVERIFY2(elapsed >= minMs && elapsed <= maxMs, qPrintable(QString::number(elapsed)));
}

namespace {

void sendKey(QWidget *target, QEvent::Type type, bool autoRepeat = false)
{
    QKeyEvent event(type, Qt::Key_Escape, Qt::NoModifier, QString(), autoRepeat);
    QCoreApplication::sendEvent(target, &event);
}

} // namespace

void TestUtilities::escRules_data()
{
    // Steps: p = press+release in the window, o = press+release in another
    // window, d = press and hold, r = auto-repeat release, u = release,
    // l = the program loses the keyboard, a = arm (a download starts),
    // digits = test, expecting 1 (pressed) or 0.
    QTest::addColumn<QString>("steps");
    QTest::newRow("nothing pressed") << QStringLiteral("a0");
    QTest::newRow("press before the download starts") << QStringLiteral("pa0");
    QTest::newRow("press counts once") << QStringLiteral("ap10");
    QTest::newRow("press shortly before the first test") << QStringLiteral("ap1");
    QTest::newRow("press in another window") << QStringLiteral("ao10");
    QTest::newRow("two presses between tests count once") << QStringLiteral("app10");
    QTest::newRow("held down") << QStringLiteral("ad111u0");
    QTest::newRow("held across the start") << QStringLiteral("da11u0");
    QTest::newRow("auto-repeat release is still held") << QStringLiteral("adr11u0");
    QTest::newRow("release missed while away") << QStringLiteral("adl10");
}

void TestUtilities::escRules()
{
    QFETCH(QString, steps);

    QWidget window;
    QWidget other;
    EscWatch watch;
    int testNo = 0;
    for (const QChar step : steps) {
        switch (step.toLatin1()) {
        case 'p':
            QTest::keyClick(&window, Qt::Key_Escape);
            break;
        case 'o':
            QTest::keyClick(&other, Qt::Key_Escape);
            break;
        case 'd':
            sendKey(&window, QEvent::KeyPress);
            break;
        case 'r':
            sendKey(&window, QEvent::KeyRelease, true);
            sendKey(&window, QEvent::KeyPress, true);
            break;
        case 'u':
            sendKey(&window, QEvent::KeyRelease);
            break;
        case 'l': {
            QEvent deactivate(QEvent::WindowDeactivate);
            QCoreApplication::sendEvent(&window, &deactivate);
            break;
        }
        case 'a':
            watch.arm();
            break;
        default:
            ++testNo;
            QVERIFY2(watch.test() == (step == u'1'), qPrintable(QStringLiteral("test %1").arg(testNo)));
        }
    }
}

void TestUtilities::programFolders_data()
{
    QTest::addColumn<QString>("exe");
    QTest::addColumn<bool>("writable");
    QTest::addColumn<bool>("helpBeside");
    QTest::addColumn<bool>("installedHelp");
    QTest::addColumn<QString>("help");
    QTest::addColumn<QString>("data");

    const QString user = QStringLiteral("/home/u/.local/share/meridoc");
    const auto row = [&](const char *name, const char *exe, bool writable, bool helpBeside, bool installedHelp,
                         const char *help, const QString &data) {
        QTest::newRow(name) << QString::fromLatin1(exe) << writable << helpBeside << installedHelp
                            << QString::fromLatin1(help) << data;
    };
    row("build tree", "/src/build/bin", true, true, false, "/src/build/bin/HTML_Help",
        QStringLiteral("/src/build/bin"));
    row("installed, run by a user", "/usr/bin", false, false, true, "/usr/share/meridoc/HTML_Help", user);
    // root may write to /usr/bin, which must not turn it into a program folder.
    row("installed, run by root", "/usr/bin", true, false, true, "/usr/share/meridoc/HTML_Help", user);
    row("portable copy in a prefix with an installed one", "/opt/x/bin", true, true, true, "/opt/x/bin/HTML_Help",
        QStringLiteral("/opt/x/bin"));
    row("portable copy on read-only media", "/media/cd", false, true, false, "/media/cd/HTML_Help", user);
    row("portable copy without its help", "/tmp/m", true, false, false, "/tmp/m/HTML_Help",
        QStringLiteral("/tmp/m"));
}

void TestUtilities::programFolders()
{
    QFETCH(QString, exe);
    QFETCH(bool, writable);
    QFETCH(bool, helpBeside);
    QFETCH(bool, installedHelp);
    QFETCH(QString, help);
    QFETCH(QString, data);

    const ProgramFolders folders = chooseProgramFolders(
        {exe, writable, helpBeside, installedHelp, QStringLiteral("/home/u/.local/share/meridoc")});
    QCOMPARE(folders.helpFolder, help);
    QCOMPARE(folders.dataFolder, data);
}

Q_DECLARE_METATYPE(DownloadOutcome)

void TestUtilities::downloadStatus_data()
{
    QTest::addColumn<DownloadOutcome>("outcome");
    QTest::addColumn<QString>("text");

    using Ending = DownloadOutcome::Ending;
    using Blocks = DownloadOutcome::Blocks;
    const QString kept = QStringLiteral("/data/history/2026-12-07 14-03-22 DURAMO 5-10-20 ST.mes");
    const auto outcome = [](Ending ending, qsizetype lines, const QString &copy = {}, const QString &problem = {}) {
        DownloadOutcome o;
        o.ending = ending;
        o.lines = lines;
        o.historyCopy = copy;
        o.historyProblem = problem;
        return o;
    };
    const auto row = [](const char *name, const DownloadOutcome &o, const char *text) {
        QTest::newRow(name) << o << QString::fromUtf8(text);
    };

    row("End, one line", outcome(Ending::EndMark, 1, kept),
        "1 line received up to \"End\"; history copy: 2026-12-07 14-03-22 DURAMO 5-10-20 ST.mes");
    row("end of file", outcome(Ending::EndOfFile, 40, kept),
        "40 lines received up to the end-of-file mark; history copy: 2026-12-07 14-03-22 DURAMO 5-10-20 ST.mes");
    row("no start mark", outcome(Ending::NoStartMark, 0), "No start mark came within 11 s");
    const auto notStarted = [](PortProblem::Kind kind, int port) {
        DownloadOutcome o;
        o.portProblem.kind = kind;
        o.portProblem.port = port;
        return o;
    };
    row("port in use", notStarted(PortProblem::Kind::InUse, 3), "Nothing was read: COM 3 could not be opened");
    row("settings refused", notStarted(PortProblem::Kind::SettingsRefused, 3),
        "Nothing was read: COM 3 did not take the line settings");
    row("no port chosen", notStarted(PortProblem::Kind::NoPortChosen, 0), "Nothing was read: no COM port is chosen");
    row("abandoned: the program ends", outcome(Ending::Abandoned, 5, kept), "");

    row("no history copy", outcome(Ending::EndMark, 3, {}, QStringLiteral("history/: Permission denied")),
        "3 lines received up to \"End\"; no history copy: history/: Permission denied");
    row("history copy incomplete",
        outcome(Ending::EndMark, 3, QStringLiteral("/h/x.mes"), QStringLiteral("No space left on device")),
        "3 lines received up to \"End\"; history copy incomplete: x.mes (No space left on device)");

    DownloadOutcome saved = outcome(Ending::EndMark, 7, QStringLiteral("/h/x.mes"));
    saved.blocks = Blocks::Saved;
    saved.blockCount = saved.blocksWritten = 1;
    saved.blocksName = QStringLiteral("/data/mes/probe");
    row("one block saved", saved, "7 lines received up to \"End\"; history copy: x.mes; 1 block saved as probe(1).mes");
    DownloadOutcome notSaved = outcome(Ending::Stopped, 4, QStringLiteral("/h/x.mes"));
    notSaved.blocks = Blocks::NotSaved;
    notSaved.blockCount = 3;
    row("blocks not saved", notSaved, "Stopped by ESC after 4 lines; history copy: x.mes; the 3 blocks were not saved");
    notSaved.blockCount = 1;
    row("the block not saved", notSaved, "Stopped by ESC after 4 lines; history copy: x.mes; the block was not saved");
    DownloadOutcome failed = saved;
    failed.blocks = Blocks::Failed;
    failed.blockCount = 3;
    failed.blocksWritten = 1;
    failed.blocksProblem = QStringLiteral("/data/mes/probe(2).mes: File too large");
    row("block file failed", failed,
        "7 lines received up to \"End\"; history copy: x.mes; 1 of 3 block files saved, then "
        "/data/mes/probe(2).mes: File too large");
}

void TestUtilities::downloadStatus()
{
    QFETCH(DownloadOutcome, outcome);
    QFETCH(QString, text);
    QCOMPARE(downloadStatusText(outcome), text);
}

// The other texts of Open and Save are checked where the window shows them.
void TestUtilities::fileStatus()
{
    const FileOutcome opened{FileOutcome::Operation::Open, FileOutcome::Result::Done, QStringLiteral("/data/mes/probe.mes"), 1};
    QCOMPARE(fileStatusText(opened), QStringLiteral("Opened probe.mes: 1 line"));
}

QTEST_MAIN(TestUtilities)
#include "tst_utilities.moc"
