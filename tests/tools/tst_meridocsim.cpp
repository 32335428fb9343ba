#include "SampleData.h"
#include "SlaveEnd.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestMeridocSim : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sessionThroughLinkWithLog();
    void printPathAndTimedKeyPress();
    void endsOnSignalAndRefusesBadSetups();

private:
    static bool waitForOutput(QProcess &process, const QByteArray &text, QByteArray *all);
};

bool TestMeridocSim::waitForOutput(QProcess &process, const QByteArray &text, QByteArray *all)
{
    QDeadlineTimer deadline(5000);
    while (!all->contains(text)) {
        if (deadline.hasExpired() || !process.waitForReadyRead(int(deadline.remainingTime())))
            return false;
        *all += process.readAllStandardOutput();
    }
    return true;
}

void TestMeridocSim::sessionThroughLinkWithLog()
{
    QTemporaryDir folder;
    const QString log = folder.filePath(u"wire.log"_s);
    QProcess sim;
    sim.start(QStringLiteral(MERIDOC_SIM_PATH),
              {u"--family=duramo-st"_s, u"--folder"_s, folder.path(), u"--com=2"_s, u"--log"_s, log});
    QByteArray out;
    QVERIFY2(waitForOutput(sim, "waiting for T4", &out), out.constData());
    QVERIFY(out.contains("DURAMO 5/10/20 ST on ports/com2 -> /dev/pts/"));

    {
        SlaveEnd program(folder.filePath(u"ports/com2"_s));
        QVERIFY(program.isOpen());
        program.write("T4"_ba);
        QTRY_COMPARE(program.bytes, sampleData(InstrumentFamily::DuramoSt));
        program.write(WireBytes::closing());
        QVERIFY(sim.waitForFinished(5000));
    }
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), 0);
    out += sim.readAllStandardOutput();
    QVERIFY2(out.contains("The program closed the session."), out.constData());
    QVERIFY(!QFileInfo::exists(folder.filePath(u"ports"_s)));

    QFile file(log);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines.at(0).endsWith(" <- T4"));
    QVERIFY(lines.at(1).endsWith(" <- $qura1\\n\\r"));
}

void TestMeridocSim::printPathAndTimedKeyPress()
{
    QProcess sim;
    sim.start(QStringLiteral(MERIDOC_SIM_PATH), {u"--family=qf100"_s, u"--print-path"_s,
                                                 u"--pause-ms=0"_s, u"--no-end"_s, u"--split=3"_s});
    QByteArray out;
    QVERIFY(waitForOutput(sim, "\n", &out));
    const QString path = QString::fromLocal8Bit(out.left(out.indexOf('\n')));
    QVERIFY2(path.startsWith(u"/dev/pts/"_s), qPrintable(path));

    // The instrument sent at once; its bytes wait on the line until they are read.
    SlaveEnd program(path);
    QTRY_COMPARE(program.bytes, sampleData(InstrumentFamily::Qf100, false));
    QVERIFY(sim.waitForFinished(5000));
    QCOMPARE(sim.exitCode(), 0);
}

void TestMeridocSim::endsOnSignalAndRefusesBadSetups()
{
    QTemporaryDir folder;
    QProcess sim;
    sim.start(QStringLiteral(MERIDOC_SIM_PATH),
              {u"--family=fennix"_s, u"--folder"_s, folder.path(), u"--repeat"_s});
    QByteArray out;
    QVERIFY(waitForOutput(sim, "waiting for the polling command", &out));
    QVERIFY(QFileInfo(folder.filePath(u"ports/com1"_s)).isSymLink());
    sim.terminate();
    QVERIFY(sim.waitForFinished(5000));
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), 0);
    QVERIFY(!QFileInfo::exists(folder.filePath(u"ports"_s)));

    // Something of the user's at ports/com1 stays as it is.
    QVERIFY(QDir(folder.path()).mkdir(u"ports"_s));
    QVERIFY(QFile::link(u"/dev/ttyUSB0"_s, folder.filePath(u"ports/com1"_s)));
    sim.start(QStringLiteral(MERIDOC_SIM_PATH), {u"--family=fennix"_s, u"--folder"_s, folder.path()});
    QVERIFY(sim.waitForFinished(5000));
    QCOMPARE(sim.exitCode(), 1);
    QVERIFY(sim.readAllStandardError().contains("choose another COM number"));
    QCOMPARE(QFileInfo(folder.filePath(u"ports/com1"_s)).symLinkTarget(), u"/dev/ttyUSB0"_s);

    sim.start(QStringLiteral(MERIDOC_SIM_PATH), {u"--family=nosuch"_s});
    QVERIFY(sim.waitForFinished(5000));
    QCOMPARE(sim.exitCode(), 2);
    QVERIFY(sim.readAllStandardError().contains("Unknown family"));
}

QTEST_GUILESS_MAIN(TestMeridocSim)
#include "tst_meridocsim.moc"
