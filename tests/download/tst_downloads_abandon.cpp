// Closing the main window while a download waits abandons the download:
// the port is closed, nothing more is sent and no dialog appears.
#include "SampleData.h"
#include "tst_downloads_rig.h"

using namespace Qt::StringLiterals;

class TestDownloadAbandon : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void closeDuringWait_data();
    void closeDuringWait();
};

void TestDownloadAbandon::closeDuringWait_data()
{
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<bool>("withData");
    QTest::newRow("mnuVarden, waiting for the start mark") << "mnuVarden"_ba << false;
    QTest::newRow("mnuFennix, polling") << "mnuFennix"_ba << false;
    QTest::newRow("mnuFennix_Radio, waiting for data") << "mnuFennix_Radio"_ba << false;
    QTest::newRow("mnuDuramoST, receiving") << "mnuDuramoST"_ba << true;
}

void TestDownloadAbandon::closeDuringWait()
{
    QFETCH(QByteArray, entry);
    QFETCH(bool, withData);
    DownloadRig rig;
    SimulatedInstrument *sim = nullptr;
    if (withData) {
        sim = &rig.plug(InstrumentFamily::DuramoSt);
        sim->setLinePauseMs(100);
    } else {
        rig.plugSilent();
    }
    rig.start();
    bool ended = false;
    QObject::connect(rig.window.get(), &MainWindow::programEnding, [&] { ended = true; });
    if (withData)
        rig.at(0, [&] {
            auto *poll = new QTimer(rig.window.get());
            QObject::connect(poll, &QTimer::timeout, [&rig, poll] {
                if (rig.entries().size() >= 2) {
                    poll->stop();
                    rig.window->close();
                }
            });
            poll->start(2);
        });
    else
        rig.at(700, [&] { rig.window->close(); });

    rig.trigger(entry.constData());

    QVERIFY(ended);
    QVERIFY(rig.window->isEnding());
    QVERIFY(!rig.window->comm().portOpen());
    QVERIFY(rig.dialogs.isEmpty());
    QVERIFY(rig.files.isEmpty());
    if (withData) {
        QTest::qWait(50);
        QCOMPARE(sim->received(), "T4"_ba);
    } else {
        QVERIFY(!rig.sentToSilent().contains(WireBytes::closing()));
    }
}

QTEST_MAIN(TestDownloadAbandon)
#include "tst_downloads_abandon.moc"
