#include "FakeHost.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <chrono>
#include <thread>

using namespace Qt::StringLiterals;

FakeHost::FakeHost(const QString &programFolder, const QString &comPortNumber)
    : m_programFolder(programFolder)
    , m_comPortNumber(comPortNumber)
    , m_comm(programFolder)
{
    m_wake.setSingleShot(true);
}

void FakeHost::closeWindow()
{
    m_log.append(u"close request"_s);
    m_closed = true;
    if (m_comm.portOpen())
        m_comm.setPortOpen(false);
}

void FakeHost::setVisible(bool &flag, bool visible, const char *name)
{
    flag = visible;
    m_log.append(QString::fromLatin1(name) + (visible ? u".Visible = true"_s : u".Visible = false"_s));
}

void FakeHost::setClipboardButtonVisible(bool visible)
{
    setVisible(m_controls.clipboardButtonVisible, visible, "Clipboard1");
}

void FakeHost::setDataListVisible(bool visible)
{
    setVisible(m_controls.dataListVisible, visible, "stat1");
}

void FakeHost::setProgressVisible(bool visible)
{
    setVisible(m_controls.progressVisible, visible, "Datenscroll1");
}

void FakeHost::setProgressMax(int max)
{
    m_controls.progressMax = max;
    m_log.append(u"Datenscroll1.Max = %1"_s.arg(max));
}

void FakeHost::setProgressValue(int value)
{
    m_controls.progressValue = value;
    m_progressValues.append(value);
    m_log.append(u"Datenscroll1.Value = %1"_s.arg(value));
}

void FakeHost::setWarnText2(const QString &text)
{
    m_controls.warnText2 = text;
    m_warnText2History.append(text);
    m_log.append(u"WarnText2 = "_s + text);
}

void FakeHost::setWarnText2Visible(bool visible)
{
    setVisible(m_controls.warnText2Visible, visible, "WarnText2");
}

void FakeHost::setWarnText1Visible(bool visible)
{
    setVisible(m_controls.warnText1Visible, visible, "WarnText1");
}

void FakeHost::setQfuText1Visible(bool visible)
{
    setVisible(m_controls.qfuText1Visible, visible, "QfuText1");
}

void FakeHost::printOnSurface(const QString &text)
{
    m_surfaceLines.append(text);
    m_log.append(u"print "_s + text);
}

void FakeHost::MenueGesperrt()
{
    m_controls.menusLocked = true;
    m_log.append(u"MenueGesperrt"_s);
}

void FakeHost::MenueFrei()
{
    m_controls.menusLocked = false;
    m_log.append(u"MenueFrei"_s);
}

bool FakeHost::escPressed()
{
    ++m_escTests;
    const bool pressed = m_escPressed || m_escHeld;
    m_escPressed = false;
    return pressed;
}

void FakeHost::beginDownload()
{
    m_escPressed = false;
    m_log.append(u"beginDownload"_s);
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
    if (m_onEvents && !m_closed)
        m_onEvents();
    if (m_closed) {
        m_abandoned = true;
        throw DownloadAbandoned();
    }
}

void FakeHost::delay(double &milliseconds)
{
    m_delays.append(milliseconds);
    m_log.append(u"delay %1"_s.arg(milliseconds));
    if (milliseconds > 0 && m_delayScale > 0)
        std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(milliseconds * m_delayScale));
    milliseconds *= 0.001;
}

void FakeHost::showMessage(const QString &title, const QString &text)
{
    m_messages.append({title, text});
    m_log.append(u"message "_s + title + u": "_s + text);
}

bool FakeHost::askYesNo(const QString &title, const QString &text)
{
    m_questions.append({title, text});
    const bool yes = m_answers.isEmpty() ? m_defaultAnswer : m_answers.dequeue();
    m_log.append(u"question "_s + title + u": "_s + text + (yes ? u" -> Yes"_s : u" -> No"_s));
    return yes;
}

std::optional<QString> FakeHost::saveDialog(const QString &filter, const QString &initDir)
{
    m_saveRequests.append({filter, initDir});
    const std::optional<QString> path = m_savePaths.isEmpty() ? std::nullopt : m_savePaths.dequeue();
    m_log.append(u"save dialog "_s + filter + u" in "_s + initDir + u" -> "_s + path.value_or(u"(cancel)"_s));
    return path;
}
