#include "FakeHost.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <chrono>
#include <thread>

FakeHost::FakeHost(const QString &programFolder, const QString &comPortNumber)
    : m_programFolder(programFolder)
    , m_comPortNumber(comPortNumber)
    , m_comm(programFolder)
{
    m_wake.setSingleShot(true);
}

void FakeHost::setProgressValue(int value)
{
    m_controls.progressValue = value;
    m_progressValues.append(value);
}

void FakeHost::setWarnText2(const QString &text)
{
    m_controls.warnText2 = text;
    m_warnText2History.append(text);
}

bool FakeHost::escPressed()
{
    ++m_escTests;
    const bool pressed = m_escPressed;
    m_escPressed = false;
    return pressed;
}

void FakeHost::processEvents()
{
    QCoreApplication::processEvents();
    afterEvents();
}

void FakeHost::waitForEvents(int maxMs)
{
    // Like the main window: sleep until any event (the serial control's
    // socket notifier, or the timer) arrives, then let the events run.
    m_wake.start(std::max(maxMs, 0));
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    afterEvents();
}

void FakeHost::afterEvents()
{
    ++m_eventPasses;
    if (m_onEvents)
        m_onEvents();
}

void FakeHost::delay(double &milliseconds)
{
    m_delays.append(milliseconds);
    if (milliseconds > 0 && m_delayScale > 0)
        std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(milliseconds * m_delayScale));
    milliseconds *= 0.001;
}

bool FakeHost::askYesNo(const QString &title, const QString &text)
{
    m_questions.append({title, text});
    return m_answer;
}

std::optional<QString> FakeHost::saveDialog(const QString &filter, const QString &)
{
    m_saveRequests.append(filter);
    return m_savePaths.isEmpty() ? std::nullopt : m_savePaths.dequeue();
}
