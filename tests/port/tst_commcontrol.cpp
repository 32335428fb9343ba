// The serial control over real pseudo-terminals: bytes both ways, the receive
// event, buffer clearing, XOFF, busy and missing ports, and a device that
// vanishes while open.
#include "ByteReader.h"
#include "CommControl.h"
#include "PortOpen.h"
#include "ProcessUsage.h"
#include "Pty.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <thread>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray allByteValues()
{
    QByteArray bytes;
    for (int i = 0; i < 256; ++i)
        bytes.append(char(i));
    return bytes;
}

bool writeAll(int fd, const QByteArray &bytes)
{
    return ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
}

} // namespace

class TestCommControl : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_pty = std::make_unique<Pty>();
        QVERIFY(m_pty->isOpen());
        QVERIFY(m_pty->linkAsCom(m_dir->path(), 3));
    }

    void cleanup()
    {
        m_pty.reset();
        m_dir.reset();
    }

    void opensThroughPortsLinkAndPassesEveryByteValue()
    {
        CommControl comm(m_dir->path());
        QVERIFY(openCom3(comm));
        QCOMPARE(comm.devicePath(), m_dir->path() + u"/ports/com3"_s);
        QVERIFY(comm.setSettings(u"38400,n,8,1"_s));
        QVERIFY(comm.setHandshaking(0));
        QCOMPARE(comm.commEvent(), int(CommControl::EventNone));
        QSignalSpy received(&comm, &CommControl::received);

        // The receive event comes with the first byte, not with a full buffer.
        QVERIFY(writeAll(m_pty->masterFd(), "\x00"_ba));
        QTRY_COMPARE_WITH_TIMEOUT(received.count(), 1, 1000);
        QCOMPARE(comm.commEvent(), int(CommControl::EventReceive));
        const QByteArray all = allByteValues();
        QVERIFY(writeAll(m_pty->masterFd(), all.mid(1)));
        QTRY_COMPARE_WITH_TIMEOUT(comm.bytesWaiting(), qint64(all.size()), 2000);
        QCOMPARE(comm.input(), all);
        QCOMPARE(comm.input(), QByteArray());
        QCOMPARE(comm.commEvent(), int(CommControl::EventReceive));

        QVERIFY(comm.output(all));
        comm.clearOutBuffer();
        QCOMPARE(ByteReader(m_pty->masterFd()).untilQuiet(150), all);
        QVERIFY(comm.setPortOpen(false));
        QVERIFY(!comm.portOpen());
    }

    void clearInBufferDropsWhatArrivedBefore()
    {
        CommControl comm(m_dir->path());
        QVERIFY(openCom3(comm));

        // Already taken in by the control ...
        QVERIFY(writeAll(m_pty->masterFd(), "stale1"_ba));
        QTRY_COMPARE_WITH_TIMEOUT(comm.bytesWaiting(), qint64(6), 1000);
        // ... and still with the driver.
        QVERIFY(writeAll(m_pty->masterFd(), "stale2"_ba));
        comm.clearInBuffer();
        QCOMPARE(comm.bytesWaiting(), qint64(0));

        QVERIFY(writeAll(m_pty->masterFd(), "fresh"_ba));
        QTRY_COMPARE_WITH_TIMEOUT(comm.bytesWaiting(), qint64(5), 1000);
        QTest::qWait(50);
        QCOMPARE(comm.input(), "fresh"_ba);
    }

    void closingSendsWhatWasQueuedFirst()
    {
        CommControl comm(m_dir->path());
        QVERIFY(openCom3(comm));
        const QByteArray command(3000, 'b');
        QVERIFY(comm.output(command));
        QVERIFY(comm.setPortOpen(false));
        QCOMPARE(ByteReader(m_pty->masterFd()).untilQuiet(150), command);
    }

    void outputHeldByXoff_data()
    {
        QTest::addColumn<int>("releasedAfterMs");   // -1: never
        QTest::newRow("held for good: dropped, no hang") << -1;
        // An instrument that holds the line for a moment still gets the command.
        QTest::newRow("held for a moment: still leaves") << 300;
    }

    void outputHeldByXoff()
    {
        QFETCH(int, releasedAfterMs);
        CommControl comm(m_dir->path());
        QVERIFY(openCom3(comm));
        QVERIFY(comm.setHandshaking(1));
        QVERIFY(writeAll(m_pty->masterFd(), "\x13"_ba));
        QTest::qWait(50);

        // The instrument lets go on its own clock.
        std::thread instrument([fd = m_pty->masterFd(), releasedAfterMs] {
            if (releasedAfterMs < 0)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(releasedAfterMs));
            writeAll(fd, "\x11"_ba);
        });
        QElapsedTimer timer;
        timer.start();
        QVERIFY(comm.output("$qura1\n\r"_ba));
        comm.clearOutBuffer();
        instrument.join();
        // A full line is not a lost device.
        QVERIFY(!comm.deviceLost());
        QVERIFY(comm.setPortOpen(false));
        QVERIFY2(timer.elapsed() < 2500, qPrintable(u"took %1 ms"_s.arg(timer.elapsed())));
        if (releasedAfterMs >= 0)
            QCOMPARE(ByteReader(m_pty->masterFd()).untilQuiet(150), "$qura1\n\r"_ba);
    }

    // What a busy port tells the user is checked through every download.
    void busyPortOpensOnceReleased()
    {
        CommControl first(m_dir->path());
        CommControl second(m_dir->path());
        QCOMPARE(openPortStep(first, u"3"_s).outcome, PortOpenResult::Opened);
        QCOMPARE(openPortStep(first, u"3"_s).outcome, PortOpenResult::AlreadyOpen);
        QVERIFY(first.portOpen());

        QCOMPARE(openPortStep(second, u"3"_s).outcome, PortOpenResult::Failed);

        // Once the first one let go, the port opens.
        QVERIFY(first.setPortOpen(false));
        QCOMPARE(openPortStep(second, u"3"_s).outcome, PortOpenResult::Opened);
    }

    // COM 16, the last port the program uses, opens like the others.
    void comSixteenOpens()
    {
        QVERIFY(m_pty->linkAsCom(m_dir->path(), 16));
        CommControl comm(m_dir->path());
        QCOMPARE(openPortStep(comm, u"16"_s).outcome, PortOpenResult::Opened);
        QCOMPARE(comm.devicePath(), m_dir->path() + u"/ports/com16"_s);
    }

    void portThatCannotBeOpenedFailsWithAMessage_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QStringList>("mentions");
        QTest::newRow("unplugged adapter") << u"5"_s << QStringList {u"COM 5"_s, u"/ports/com5"_s};
        QTest::newRow("not a number") << u"COM3"_s << QStringList {u"\"COM3\""_s};
        QTest::newRow("none chosen yet") << u" "_s << QStringList {u"No COM port"_s};
        QTest::newRow("above 16") << u"17"_s << QStringList {u"COM 17"_s, u"COM 1 to COM 16"_s};
    }

    void portThatCannotBeOpenedFailsWithAMessage()
    {
        QFETCH(QString, number);
        QFETCH(QStringList, mentions);
        QVERIFY(QFile::link(m_dir->path() + u"/no-such-adapter"_s, m_dir->path() + u"/ports/com5"_s));
        CommControl comm(m_dir->path());
        const PortOpenResult result = openPortStep(comm, number);
        QCOMPARE(result.outcome, PortOpenResult::Failed);
        QVERIFY(!result.title.isEmpty());
        for (const QString &mention : mentions)
            QVERIFY2(result.message.contains(mention), qPrintable(result.message));
        QVERIFY(!comm.portOpen());
    }

    void vanishingDeviceIsReportedOnceWithoutSpinning()
    {
        CommControl comm(m_dir->path());
        QVERIFY(openCom3(comm));
        QSignalSpy lost(&comm, &CommControl::lost);

        const double cpuBefore = processCpuSeconds();
        m_pty->closeMaster();
        QTRY_COMPARE_WITH_TIMEOUT(lost.count(), 1, 300);
        QTest::qWait(300);
        const double cpuUsed = processCpuSeconds() - cpuBefore;
        QCOMPARE(lost.count(), 1);
        QVERIFY2(cpuUsed < 0.2, qPrintable(u"%1 s of CPU"_s.arg(cpuUsed)));
        QVERIFY(lost.first().first().toString().contains(u"COM 3"_s));
        QCOMPARE(comm.errorString(), lost.first().first().toString());

        QVERIFY(comm.deviceLost());
        QVERIFY(!comm.portOpen());
        QCOMPARE(comm.commEvent(), int(CommControl::EventDeviceLost));
        QCOMPARE(comm.input(), QByteArray());
        QCOMPARE(comm.bytesWaiting(), qint64(0));
        QVERIFY(!comm.output("$qura1\n\r"_ba));
        comm.clearInBuffer();
        comm.clearOutBuffer();
        QVERIFY(!comm.setRTSEnable(false));
        QVERIFY(!comm.setDTREnable(false));
        QVERIFY(comm.setPortOpen(false));
        QCOMPARE(lost.count(), 1);

        // A new open starts afresh on whatever the link leads to now.
        Pty replacement;
        QVERIFY(replacement.linkAsCom(m_dir->path(), 3));
        QVERIFY(comm.setPortOpen(true));
        QVERIFY(!comm.deviceLost());
        QCOMPARE(comm.commEvent(), int(CommControl::EventNone));
        QVERIFY(writeAll(replacement.masterFd(), "ok"_ba));
        QTRY_COMPARE_WITH_TIMEOUT(comm.bytesWaiting(), qint64(2), 1000);
        QCOMPARE(comm.input(), "ok"_ba);
    }

private:
    bool openCom3(CommControl &comm)
    {
        comm.setCommPort(3);
        return comm.setPortOpen(true);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Pty> m_pty;
};

QTEST_GUILESS_MAIN(TestCommControl)
#include "tst_commcontrol.moc"
