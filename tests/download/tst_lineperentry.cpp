// The line each data menu entry asks of the serial port, as the serial
// control hands it to QSerialPort: what an instrument on a pseudo-terminal
// cannot see (data bits, parity, stop bits, RTS, DTR) is read back here, and
// after the download RTS and DTR are low.
#include "CommControl.h"
#include "Downloads.h"
#include "FakeHost.h"
#include "Pty.h"

#include <QSerialPort>

#include <optional>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

using Click = DownloadOutcome (*)(DownloadHost &);
Q_DECLARE_METATYPE(Click)

namespace {

struct Line
{
    std::optional<LineSettings> settings;
    std::optional<int> handshaking;
    std::optional<bool> rts;
    std::optional<bool> dtr;
    friend bool operator==(const Line &, const Line &) = default;
};

QByteArray describe(const Line &l)
{
    auto level = [](std::optional<bool> v) { return v ? (*v ? "high" : "low") : "untouched"; };
    QByteArray text = "settings ";
    if (l.settings) {
        text += QByteArray::number(l.settings->baudRate) + ',' + QByteArray::number(int(l.settings->parity)) + ','
            + QByteArray::number(int(l.settings->dataBits)) + ',' + QByteArray::number(int(l.settings->stopBits));
    }
    return text + ", handshake " + QByteArray::number(l.handshaking.value_or(-1)) + ", RTS " + level(l.rts)
        + ", DTR " + level(l.dtr);
}

Line lineOf(const CommControl &comm)
{
    return {comm.settingsSinceOpen(), comm.handshakingSinceOpen(), comm.rtsSinceOpen(), comm.dtrSinceOpen()};
}

} // namespace

class TestLinePerEntry : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void eachEntry_data();
    void eachEntry();
};

void TestLinePerEntry::eachEntry_data()
{
    QTest::addColumn<Click>("click");
    QTest::addColumn<qint32>("baud");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<int>("stopBits");
    QTest::addColumn<bool>("xonXoff");
    QTest::addColumn<bool>("raised");  // RTS and DTR while the port is open

    QTest::newRow("mnuOV 38400,n,8,1 XON/XOFF") << Click(mnuOV_Click) << 38400 << 8 << 1 << true << false;
    QTest::newRow("mnuVarden 38400,n,8,1") << Click(mnuVarden_Click) << 38400 << 8 << 1 << false << true;
    QTest::newRow("mnuQF2000 38400,n,8,1") << Click(mnuQF2000_Click) << 38400 << 8 << 1 << false << true;
    QTest::newRow("mnuDuramoFN 1200,n,8,1") << Click(mnuDuramoFN_Click) << 1200 << 8 << 1 << false << true;
    QTest::newRow("mnuQF100 1200,n,8,1") << Click(mnuQF100_Click) << 1200 << 8 << 1 << false << true;
    QTest::newRow("mnuDuramoST 9600,n,8,1") << Click(mnuDuramoST_Click) << 9600 << 8 << 1 << false << false;
    QTest::newRow("mnuKestra2 9600,n,8,1") << Click(mnuKestra2_Click) << 9600 << 8 << 1 << false << false;
    QTest::newRow("mnuQFU 1200,n,7,2") << Click(mnuQFU_Click) << 1200 << 7 << 2 << false << true;
    QTest::newRow("mnuFennix 9600,n,8,1") << Click(mnuFennix_Click) << 9600 << 8 << 1 << false << false;
    QTest::newRow("mnuFennix_Radio 1200,n,8,1") << Click(mnuFennix_Radio_Click) << 1200 << 8 << 1 << false
                                                << true;
}

void TestLinePerEntry::eachEntry()
{
    QFETCH(Click, click);
    QFETCH(qint32, baud);
    QFETCH(int, dataBits);
    QFETCH(int, stopBits);
    QFETCH(bool, xonXoff);
    QFETCH(bool, raised);

    QTemporaryDir folder;
    Pty instrument;
    QVERIFY(instrument.linkAsCom(folder.path(), 3));
    FakeHost host(folder.path(), u"3"_s);
    host.setDelayScale(0);
    std::optional<Line> during;
    host.setOnEvents([&] {
        if (!during && host.comm().portOpen()) {
            during = lineOf(host.comm());
            host.pressEsc();
        }
    });

    click(host);

    const Line expected{LineSettings{baud, QSerialPort::NoParity, QSerialPort::DataBits(dataBits),
                                     QSerialPort::StopBits(stopBits)},
                        xonXoff ? 1 : 0, raised, raised};
    QVERIFY(during);
    QVERIFY2(*during == expected, describe(*during).constData());
    QVERIFY(!host.comm().portOpen());
    QCOMPARE(host.comm().rtsSinceOpen(), std::optional<bool>(false));
    QCOMPARE(host.comm().dtrSinceOpen(), std::optional<bool>(false));
}

QTEST_GUILESS_MAIN(TestLinePerEntry)
#include "tst_lineperentry.moc"
