// A program killed with SIGKILL in the middle of a download: after a restart
// its history copy holds every line received up to one second before the
// kill, and the window says so once. The download runs in a child process
// (this test's executable, started with --download-in FOLDER).
#include "ChildProgram.h"
#include "DialogRouter.h"
#include "Flood.h"
#include "MainWindow.h"
#include "MainWindowRig.h"
#include "SimulatedInstrument.h"
#include "TestFiles.h"
#include "TestOrChild.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

constexpr int LineLength = 18;
constexpr int BytesPerLine = LineLength + 1;  // the DURAMO FE-S / FN ends its records in CR

// The child: the main window on the folder, running the DURAMO FE-S / FN
// download until it is killed.
int runChild(int argc, char *argv[])
{
    QApplication app(argc, argv);
    MainWindow window(QString::fromLocal8Bit(argv[2]));
    window.dialogs().setHandler([](const DialogRouter::Request &) { return false; });
    window.load();
    QTimer::singleShot(0, &window, [&window] { window.findChild<QAction *>(u"mnuDuramoFN"_s)->trigger(); });
    return app.exec();
}

} // namespace

class TestHistoryKill : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void killedMidDownload();
};

void TestHistoryKill::killedMidDownload()
{
    // Port.txt names COM 3; the restart below is the rig's window.
    MainWindowRig rig;
    rig.answerYes = false;
    SimulatedInstrument sim(InstrumentFamily::DuramoFn);
    sim.setFlood(100000, LineLength);
    sim.setBaud(1200);   // 120 bytes a second: a little over six lines
    QVERIFY(sim.linkAsCom(rig.folder.path(), 3));

    ChildProgram child;
    child.process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QVERIFY2(child.start(QCoreApplication::applicationFilePath(), {u"--download-in"_s, rig.folder.path()}, 30000),
             qPrintable(child.error()));
    // The download has set its line; its start pause follows.
    QTRY_COMPARE_WITH_TIMEOUT(sim.programSettings().baud, 1200, 30000);
    QTest::qWait(300);
    QVERIFY(sim.pressKey());

    // What the instrument had sent, 50 ms apart, on the test's own clock.
    QList<std::pair<qint64, qint64>> sent;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 4000) {
        QTest::qWait(50);
        sent.append({clock.elapsed(), sim.bytesSent()});
    }
    QVERIFY2(child.process.state() == QProcess::Running, "the program ended by itself");
    const qint64 killedAt = clock.elapsed();
    child.process.kill();
    QCOMPARE(child.finish(10000), "signal 9"_ba);
    const qint64 sentAtKill = sim.bytesSent();

    qint64 sentSecondBefore = 0;
    for (const auto &[ms, bytes] : sent) {
        if (ms <= killedAt - 1000)
            sentSecondBefore = bytes;
    }
    const qint64 linesSecondBefore = sentSecondBefore / BytesPerLine;
    QVERIFY2(linesSecondBefore >= 10, "too few lines were sent to tell anything");

    // The restart.
    rig.start();
    const QList<DialogRouter::Request> &dialogs = rig.dialogs;
    QCOMPARE(dialogs.size(), 1);
    QCOMPARE(dialogs.first().kind, DialogRouter::Kind::Notice);
    QVERIFY2(dialogs.first().text.contains(u"DURAMO FE-S / FN"_s), qPrintable(dialogs.first().text));

    const QStringList kept = rig.folder.historyFiles();
    QCOMPARE(kept.size(), 1);
    QVERIFY2(kept.first().endsWith(u" DURAMO FE-S - FN (interrupted).mes"_s), qPrintable(kept.first()));
    const QList<QByteArray> lines = readFile(rig.folder.historyPath(kept.first())).split('\n');
    QCOMPARE(lines.last(), QByteArray());
    const qint64 count = lines.size() - 1;
    QVERIFY2(count >= linesSecondBefore && count <= sentAtKill / BytesPerLine,
             qPrintable(u"%1 lines kept, %2 sent a second before the kill, %3 bytes at the kill"_s.arg(count).arg(
                 linesSecondBefore).arg(sentAtKill)));
    for (qint64 i = 0; i < count; ++i)
        QCOMPARE(lines.at(i), floodLine(i + 1, LineLength) + '\r');
    QVERIFY2(dialogs.first().text.contains(u"%1 lines were kept"_s.arg(count)), qPrintable(dialogs.first().text));
}

int main(int argc, char *argv[])
{
    return runTestOrChild<QApplication, TestHistoryKill>(argc, argv, "--download-in", runChild);
}

#include "tst_history_kill.moc"
