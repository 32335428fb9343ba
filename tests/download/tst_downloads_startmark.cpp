// Download steps on the widget-free host: the wait for the "$s$" start mark
// of the DURAMO Varden and the QF-2000, counted read by read (the waits take
// no time here), a port that refuses its line settings, and the modem lines
// each menu entry sets.
#include "CommControl.h"
#include "DataList.h"
#include "DownloadSteps.h"
#include "Downloads.h"
#include "FakeHost.h"
#include "InstrumentLinks.h"
#include "Pty.h"

#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace Qt::StringLiterals;

class TestStartMark : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void startMark_data();
    void startMark();
    void refusedLineSettingsStopTheDownload();
    void modemLinesOfEachEntry();
};

void TestStartMark::startMark_data()
{
    QTest::addColumn<QList<QByteArray>>("pieces");
    QTest::addColumn<int>("firstPass");
    QTest::addColumn<bool>("found");

    // Bytes written during the events of pass n are taken by the read of pass n + 2.
    QTest::newRow("whole mark") << QList<QByteArray>{"xx$s$"} << 1 << true;
    QTest::newRow("split over two reads") << QList<QByteArray>{"$s", "$"} << 3 << true;
    QTest::newRow("in the 1100th read") << QList<QByteArray>{"$s$"} << 1098 << true;
    QTest::newRow("in the 1101st read") << QList<QByteArray>{"$s$"} << 1099 << false;
    QTest::newRow("case matters") << QList<QByteArray>{"$S$"} << 1 << false;
}

void TestStartMark::startMark()
{
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(int, firstPass);
    QFETCH(bool, found);

    QTemporaryDir folder;
    Pty instrument;
    QVERIFY(instrument.linkAsCom(folder.path(), 3));
    FakeHost host(folder.path(), u"3"_s);
    host.setDelayScale(0);
    host.dataList().setEntries({"old"});
    const QByteArray bar(20, '_');
    auto send = [&](const QByteArray &bytes) {
        QCOMPARE(::write(instrument.masterFd(), bytes.constData(), size_t(bytes.size())), ssize_t(bytes.size()));
        // Let the terminal layer hand the bytes to the program's side.
        ::usleep(3000);
    };
    int pass = 0;
    bool dataSent = false;
    host.setOnEvents([&] {
        ++pass;
        const qsizetype piece = pass - firstPass;
        if (piece >= 0 && piece < pieces.size())
            send(pieces.at(piece));
        if (host.controls().progressVisible && !dataSent) {
            dataSent = true;
            send("H\r\na\r\n" + bar + "\r\nEnd\r\n");
        }
    });

    mnuVarden_Click(host);

    QVERIFY(!host.comm().portOpen());
    QVERIFY(!host.controls().menusLocked);
    QVERIFY(!host.controls().warnText2Visible);
    QCOMPARE(host.escTests() > 0, found);
    if (found) {
        QCOMPARE(host.dataList().entries(), (QList<QByteArray>{"H", "a", bar, "End"}));
        QCOMPARE(host.state().LastValueIndex, 1);
        QCOMPARE(host.saveRequests().size(), 1);
        QVERIFY(host.messages().isEmpty());
        QVERIFY(host.controls().dataListVisible);
    } else {
        QCOMPARE(host.delays(), QList<double>(1101, 10.0));
        QCOMPARE(host.dataList().entries(), QList<QByteArray>{"old"});
        QVERIFY(!host.controls().dataListVisible);
        QVERIFY(!host.controls().clipboardButtonVisible);
        QVERIFY(host.saveRequests().isEmpty());
        QCOMPARE(host.messages().size(), 1);
    }
}

void TestStartMark::refusedLineSettingsStopTheDownload()
{
    QTemporaryDir folder;
    Pty instrument;
    QVERIFY(instrument.linkAsCom(folder.path(), 3));
    FakeHost host(folder.path(), u"3"_s);
    host.dataList().setEntries({"old", "lines"});
    const InstrumentLink link{"9600,q,8,1", ModemLines::Low, false, "\r\n", 2, true, 100, "", false, true};

    QVERIFY(!openingSteps(host, link));
    QVERIFY(!host.comm().portOpen());
    QVERIFY(!host.controls().menusLocked);
    QVERIFY(host.controls().clipboardButtonVisible);
    QCOMPARE(host.dataList().count(), 2);
    QCOMPARE(host.messages().size(), 1);
    QVERIFY2(host.messages().first().text.contains(u"9600,q,8,1"_s), qPrintable(host.messages().first().text));
}

// Opening a port raises RTS and DTR on Linux: an instrument that wants them
// low, or never has them set, must see them lowered right after the open.
void TestStartMark::modemLinesOfEachEntry()
{
    struct Entry
    {
        const char *name;
        void (*click)(DownloadHost &);
        bool raised;
    };
    const Entry entries[] = {
        {"mnuOV", &mnuOV_Click, false},
        {"mnuVarden", &mnuVarden_Click, true},
        {"mnuQF2000", &mnuQF2000_Click, true},
        {"mnuDuramoFN", &mnuDuramoFN_Click, true},
        {"mnuQF100", &mnuQF100_Click, true},
        {"mnuDuramoST", &mnuDuramoST_Click, false},
        {"mnuKestra2", &mnuKestra2_Click, false},
        {"mnuQFU", &mnuQFU_Click, true},
        {"mnuFennix", &mnuFennix_Click, false},
        {"mnuFennix_Radio", &mnuFennix_Radio_Click, true},
    };
    for (const Entry &entry : entries) {
        QTemporaryDir folder;
        Pty instrument;
        QVERIFY(instrument.linkAsCom(folder.path(), 3));
        // Each the first download after the start of the program.
        FakeHost host(folder.path(), u"3"_s);
        host.setDelayScale(0);
        std::optional<bool> rts;
        std::optional<bool> dtr;
        bool seen = false;
        host.setOnEvents([&] {
            if (seen)
                return;
            seen = true;
            rts = host.comm().rtsSinceOpen();
            dtr = host.comm().dtrSinceOpen();
            host.pressEsc();
        });

        entry.click(host);

        const QByteArray what = QByteArray(entry.name) + ": RTS " + (rts ? (*rts ? "high" : "low") : "untouched")
            + ", DTR " + (dtr ? (*dtr ? "high" : "low") : "untouched");
        QVERIFY2(seen, entry.name);
        QVERIFY2(rts == entry.raised && dtr == entry.raised, what.constData());
        QVERIFY2(!host.comm().portOpen(), entry.name);
    }
}

QTEST_GUILESS_MAIN(TestStartMark)
#include "tst_downloads_startmark.moc"
