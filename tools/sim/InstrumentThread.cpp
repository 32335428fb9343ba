#include "InstrumentThread.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QMetaObject>
#include <QTimer>

namespace {
constexpr int WaitCheckMs = 5;
}

InstrumentThread::InstrumentThread(InstrumentFamily family)
    : m_family(family), m_context(new QObject)
{
    m_thread.setObjectName(QStringLiteral("instrument"));
    m_context->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, m_context, &QObject::deleteLater);
    m_thread.start();
    run([this, family] { m_instrument = new SimulatedInstrument(family); });
}

InstrumentThread::~InstrumentThread()
{
    run([this] {
        delete m_instrument;
        m_instrument = nullptr;
    });
    m_thread.quit();
    m_thread.wait();
}

void InstrumentThread::run(const std::function<void()> &fn)
{
    QMetaObject::invokeMethod(m_context, fn, Qt::BlockingQueuedConnection);
}

bool InstrumentThread::linkAsCom(const QString &folder, int n)
{
    return call([&](SimulatedInstrument &i) { return i.linkAsCom(folder, n); });
}
void InstrumentThread::setData(const QByteArray &bytes) { call([&](SimulatedInstrument &i) { i.setData(bytes); }); }
void InstrumentThread::setFlood(qint64 lines, int lineLength, bool withEnd)
{
    call([&](SimulatedInstrument &i) { i.setFlood(lines, lineLength, withEnd); });
}
void InstrumentThread::setWholeWrites() { call([](SimulatedInstrument &i) { i.setWholeWrites(); }); }
void InstrumentThread::setStartDelayMs(int ms) { call([&](SimulatedInstrument &i) { i.setStartDelayMs(ms); }); }
void InstrumentThread::setAnswerPauseMs(int ms) { call([&](SimulatedInstrument &i) { i.setAnswerPauseMs(ms); }); }
void InstrumentThread::setLinePauseMs(int ms) { call([&](SimulatedInstrument &i) { i.setLinePauseMs(ms); }); }
void InstrumentThread::setDropAfter(qint64 bytes) { call([&](SimulatedInstrument &i) { i.setDropAfter(bytes); }); }
bool InstrumentThread::pressKey() { return call([](SimulatedInstrument &i) { return i.pressKey(); }); }
SimulatedInstrument::State InstrumentThread::state()
{
    return call([](SimulatedInstrument &i) { return i.state(); });
}
qint64 InstrumentThread::bytesSent() { return call([](SimulatedInstrument &i) { return i.bytesSent(); }); }
qint64 InstrumentThread::unreadBytes() { return call([](SimulatedInstrument &i) { return i.unreadBytes(); }); }
PtyLineSettings InstrumentThread::programSettings()
{
    return call([](SimulatedInstrument &i) { return i.programSettings(); });
}
std::optional<PtyLineSettings> InstrumentThread::wrongLineSeen()
{
    return call([](SimulatedInstrument &i) { return i.wrongLineSeen(); });
}
QByteArray InstrumentThread::received() { return call([](SimulatedInstrument &i) { return i.received(); }); }

bool InstrumentThread::waitUntilSent(int timeoutMs)
{
    const auto done = [this] {
        const SimulatedInstrument::State s = state();
        return s == SimulatedInstrument::State::Done || s == SimulatedInstrument::State::Dropped;
    };
    const QDeadlineTimer deadline(timeoutMs);
    QEventLoop loop;
    QTimer check;
    check.setInterval(WaitCheckMs);
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done() || deadline.hasExpired())
            loop.quit();
    });
    if (done())
        return true;
    check.start();
    loop.exec();
    return done();
}
