#include "FaultMatrix.h"

#include "CommControl.h"
#include "DataList.h"
#include "MainWindowRig.h"
#include "ProcessUsage.h"
#include "WindowDownloadHost.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

const QByteArray LinesCrLf = "L1 10.0\r\nL2 20.0\r\nL3 30.0\r\nL4 40.0\r\nEnd\r\n";
const QByteArray LinesCr = "L1 10.0\rL2 20.0\rL3 30.0\rL4 40.0\rEnd\r";
const QList<QByteArray> Lines{"L1 10.0", "L2 20.0", "L3 30.0", "L4 40.0", "End"};
const QList<QByteArray> LinesKeepingCr{"L1 10.0\r", "L2 20.0\r", "L3 30.0\r", "L4 40.0\r", "End\r"};
const char *const Orvik = "At the device press key MENU - Transfer - Transfer FE/NFE memory !";
const char *const Varden = "At the device press key MENU - Print+PC - Transfer to PC!";
const char *const Listening = "Start downloading from the instrument!";

struct MenuEntry
{
    const char *name;
    InstrumentFamily family;
    const QByteArray &data;
    const QList<QByteArray> &entries;  // what the list holds after a whole download
    qsizetype preamble;                // bytes of the start mark or answer before the data
    const char *instruction;           // the user presses the key once this shows; none: no key
};

const MenuEntry Entries[] = {
    {"mnuOV", InstrumentFamily::Orvik, LinesCrLf, Lines, 0, Orvik},
    {"mnuVarden", InstrumentFamily::Varden, LinesCrLf, Lines, 3, Varden},
    {"mnuQF2000", InstrumentFamily::Qf2000, LinesCrLf, Lines, 3, Varden},
    {"mnuDuramoFN", InstrumentFamily::DuramoFn, LinesCr, Lines, 0, Listening},
    {"mnuQF100", InstrumentFamily::Qf100, LinesCr, Lines, 0, Listening},
    {"mnuDuramoST", InstrumentFamily::DuramoSt, LinesCrLf, Lines, 0, nullptr},
    {"mnuKestra2", InstrumentFamily::Kestra, LinesCrLf, Lines, 0, nullptr},
    {"mnuQFU", InstrumentFamily::Qfu, LinesCrLf, Lines, 0, Listening},
    {"mnuFennix", InstrumentFamily::Fennix, LinesCrLf, Lines, 12, nullptr},
    {"mnuFennix_Radio", InstrumentFamily::FennixRadio, LinesCrLf, LinesKeepingCr, 0, Listening},
};

// What the list holds when a download starts; one entry, so that two entries
// can only be lines of the new download.
const QList<QByteArray> Previous{"previous download"};

// The instruments started by the program answer this late when the fault must
// strike while the download still waits for them (the FENNIX is polled a few times).
constexpr int SlowAnswerMs = 1500;
constexpr int LinePauseMs = 10;
// Between two lines, long enough for ESC or the close to strike there on a busy machine.
constexpr int ReceivingLinePauseMs = 150;
// Long enough for ESC or the close to strike between answer and data.
constexpr int AnsweredPauseMs = 1500;
constexpr int KeyAfterInstructionMs = 50;
// The longest any case may keep the menu handler.
constexpr qint64 MaxHandlerMs = 4000;
constexpr int IdleSpanMs = 200;
constexpr double MaxIdleCpuSeconds = 0.05;

// In the order of the enum.
const char *const FaultNames[] = {"port missing", "port busy", "device vanishes before data",
                                  "device vanishes mid-line", "ESC while waiting", "ESC after the answer",
                                  "ESC while receiving", "closed while waiting", "closed after the answer",
                                  "closed while receiving"};

bool isEsc(Fault f) { return f == Fault::EscWaiting || f == Fault::EscAnswered || f == Fault::EscReceiving; }
bool isClose(Fault f)
{
    return f == Fault::CloseWaiting || f == Fault::CloseAnswered || f == Fault::CloseReceiving;
}
bool isAnswered(Fault f) { return f == Fault::EscAnswered || f == Fault::CloseAnswered; }
bool isReceiving(Fault f) { return f == Fault::EscReceiving || f == Fault::CloseReceiving; }
bool isVanish(Fault f) { return f == Fault::VanishBeforeData || f == Fault::VanishMidLine; }
bool isPrefix(const QList<QByteArray> &part, const QList<QByteArray> &whole)
{
    return part.size() <= whole.size() && whole.mid(0, part.size()) == part;
}

// The offset of the third character of the third line in the data.
qsizetype insideThirdLine(const QByteArray &data)
{
    const char end = data.contains('\n') ? '\n' : '\r';
    return data.indexOf(end, data.indexOf(end) + 1) + 1 + 3;
}

bool portReleased(const QString &programFolder)
{
    CommControl probe(programFolder);
    probe.setCommPort(3);
    return probe.setPortOpen(true) && probe.setPortOpen(false);
}

// What the one message of a failed or broken download must say.
QString expectedMessagePart(Fault fault)
{
    switch (fault) {
    case Fault::PortMissing: return u"there is no device"_s;
    case Fault::PortBusy: return u"in use by another program"_s;
    default: return u"was lost"_s;
    }
}

} // namespace

void addFaultRows(const QList<Fault> &faults)
{
    QTest::addColumn<int>("entry");
    QTest::addColumn<Fault>("fault");
    for (int i = 0; i < int(std::size(Entries)); ++i) {
        for (Fault fault : faults) {
            if (isAnswered(fault) && Entries[i].preamble == 0)
                continue;
            QTest::addRow("%s: %s", Entries[i].name, FaultNames[int(fault)]) << i << fault;
        }
    }
}

void runFaultRow()
{
    QFETCH(int, entry);
    QFETCH(Fault, fault);
    const MenuEntry &e = Entries[entry];
    const qsizetype preamble = e.preamble;

    MainWindowRig rig;
    InstrumentThread *sim = nullptr;
    if (fault != Fault::PortMissing) {
        sim = &rig.plug(e.family);
        sim->setData(e.data);
        sim->setLinePauseMs(isReceiving(fault) ? ReceivingLinePauseMs : LinePauseMs);
        if (!e.instruction && (fault == Fault::EscWaiting || fault == Fault::CloseWaiting))
            sim->setStartDelayMs(SlowAnswerMs);
        if (isAnswered(fault))
            sim->setAnswerPauseMs(AnsweredPauseMs);
    }
    if (fault == Fault::VanishBeforeData)
        sim->setDropAfter(preamble);
    if (fault == Fault::VanishMidLine)
        sim->setDropAfter(preamble + insideThirdLine(e.data));
    rig.start();
    rig.window->host().dataList().setEntries(Previous);
    rig.window->host().setClipboardButtonVisible(true);
    bool ended = false;
    QObject::connect(rig.window.get(), &MainWindow::programEnding, [&] { ended = true; });

    std::unique_ptr<CommControl> holder;
    if (fault == Fault::PortBusy) {
        holder = std::make_unique<CommControl>(rig.folder.path());
        holder->setCommPort(3);
        QVERIFY(holder->setPortOpen(true));
    }

    // ESC and the close strike from inside the download's own waits.
    bool struck = false;
    QList<QByteArray> receivedAtFault;
    QByteArray sentBeforeClose;
    QTimer striker;
    striker.setInterval(2);
    QObject::connect(&striker, &QTimer::timeout, [&] {
        if (struck || !rig.menusLocked())
            return;
        if (isAnswered(fault) && (sim->bytesSent() != preamble || sim->unreadBytes() != 0))
            return;
        if (isReceiving(fault) && rig.entries().size() < 2)
            return;
        if (!isAnswered(fault) && !isReceiving(fault) && sim->bytesSent() != 0)
            return;
        struck = true;
        striker.stop();
        if (isReceiving(fault))
            receivedAtFault = rig.entries();
        if (isEsc(fault)) {
            QTest::keyClick(rig.window.get(), Qt::Key_Escape);
            return;
        }
        rig.window->close();
        // Whatever the program sent before the close reaches the instrument.
        QTest::qWait(15);
        sentBeforeClose = sim->received();
    });
    if (isEsc(fault) || isClose(fault))
        striker.start();
    if (sim && !holder && e.instruction)
        rig.pressKeyWhenShown(QString::fromLatin1(e.instruction), KeyAfterInstructionMs);

    QElapsedTimer clock;
    clock.start();
    rig.trigger(e.name);
    const qint64 handlerMs = clock.elapsed();

    QVERIFY2(handlerMs < MaxHandlerMs, qPrintable(u"the handler ran %1 ms"_s.arg(handlerMs)));
    if (isEsc(fault) || isClose(fault))
        QVERIFY2(struck, "the fault never struck: the download left its wait early");
    QVERIFY(!rig.window->host().comm().portOpen());
    const double cpuBefore = processCpuSeconds();
    QTest::qWait(IdleSpanMs);
    const double cpu = processCpuSeconds() - cpuBefore;
    QVERIFY2(cpu < MaxIdleCpuSeconds, qPrintable(u"%1 s CPU in %2 ms after the fault"_s.arg(cpu).arg(IdleSpanMs)));

    const QList<QByteArray> now = rig.entries();
    const QList<QByteArray> &expected = e.entries;
    QVERIFY2(isPrefix(receivedAtFault, now), "lines received before the fault were lost");
    QVERIFY2(now == Previous || isPrefix(now, expected), now.join('|').constData());

    if (isClose(fault)) {
        QVERIFY(ended);
        QVERIFY(rig.window->host().isEnding());
        QVERIFY(rig.dialogs.isEmpty());
        QVERIFY(rig.files.isEmpty());
        QCOMPARE(sim->received(), sentBeforeClose);
        return;
    }

    QVERIFY(!ended);
    QVERIFY(!rig.menusLocked());
    if (fault == Fault::PortMissing || fault == Fault::PortBusy || isVanish(fault)) {
        QCOMPARE(rig.dialogs.size(), 1);
        const QString &text = rig.dialogs.first().text;
        QVERIFY2(text.contains(expectedMessagePart(fault)) && text.contains(u"COM"_s), qPrintable(text));
    } else {
        QVERIFY(rig.dialogs.isEmpty());
    }
    if (fault == Fault::PortMissing || fault == Fault::PortBusy) {
        QCOMPARE(now, Previous);
        QVERIFY(rig.shown("Clipboard1"));
    }
    if (fault == Fault::PortBusy) {
        QCOMPARE(sim->received(), QByteArray());
        holder.reset();
    }
    if (fault == Fault::VanishMidLine)
        QCOMPARE(now, expected.mid(0, 2));
    if (fault == Fault::PortBusy || isEsc(fault))
        QVERIFY2(portReleased(rig.folder.path()), "the device is still held");

    const qsizetype dialogsBefore = rig.dialogs.size();
    rig.trigger("mnuInfo");
    QCOMPARE(rig.dialogs.size(), dialogsBefore + 1);
    QCOMPARE(rig.dialogs.last().kind, DialogRouter::Kind::Information);
}
