// A simulated instrument on a thread of its own, for tests that run the
// program in the same process: it reads commands and sends its data while the
// program sleeps in a pause, drains its output or waits in a dialog, and it
// meets the program only on the pseudo-terminal. Every call is safe from the
// test's thread; the calls wait for the instrument's thread to answer.
#pragma once

#include "InstrumentFamily.h"
#include "SimulatedInstrument.h"

#include <QThread>

#include <functional>
#include <memory>

class InstrumentThread
{
public:
    explicit InstrumentThread(InstrumentFamily family);
    ~InstrumentThread();
    InstrumentThread(const InstrumentThread &) = delete;
    InstrumentThread &operator=(const InstrumentThread &) = delete;

    InstrumentFamily family() const { return m_family; }

    // Runs fn on the instrument's thread and returns what it returns.
    template<typename Fn>
    auto call(Fn &&fn) -> decltype(fn(std::declval<SimulatedInstrument &>()))
    {
        using Result = decltype(fn(std::declval<SimulatedInstrument &>()));
        if constexpr (std::is_void_v<Result>) {
            run([&] { fn(*m_instrument); });
        } else {
            Result result{};
            run([&] { result = fn(*m_instrument); });
            return result;
        }
    }

    // The settings, the key and what the instrument saw: SimulatedInstrument's
    // own calls, made on its thread.
    bool linkAsCom(const QString &programFolder, int n);
    void setData(const QByteArray &bytes);
    void setFlood(qint64 lines, int lineLength, bool withEnd = true);
    void setWholeWrites();
    void setStartDelayMs(int ms);
    void setAnswerPauseMs(int ms);
    void setLinePauseMs(int ms);
    void setDropAfter(qint64 bytes);
    bool pressKey();
    SimulatedInstrument::State state();
    qint64 bytesSent();
    qint64 unreadBytes();
    PtyLineSettings programSettings();
    std::optional<PtyLineSettings> wrongLineSeen();
    QByteArray received();

    // Lets the test's thread run its events until the transfer is out (or the
    // line dropped); true when that happened in time.
    bool waitUntilSent(int timeoutMs = 5000);

private:
    void run(const std::function<void()> &fn);

    InstrumentFamily m_family;
    QThread m_thread;
    // Both live on m_thread: the context receives the calls, the instrument is
    // made and destroyed there.
    QObject *m_context;
    SimulatedInstrument *m_instrument = nullptr;
};
