#include "WindowDownloadHost.h"

#include "CommControl.h"
#include "DataList.h"
#include "Delay.h"
#include "DialogRouter.h"
#include "DownloadPanel.h"
#include "DownloadState.h"
#include "EscWatch.h"
#include "EventWait.h"
#include "HistoryJournal.h"
#include "SharedFileDialog.h"
#include "SurfaceText.h"

#include <QCoreApplication>
#include <QListView>
#include <QMenu>
#include <QPushButton>

using namespace Qt::StringLiterals;

WindowDownloadHost::WindowDownloadHost(QWidget *window, const QString &programFolder, Controls controls,
                                       DialogRouter &dialogs, SharedFileDialog &fileDialog)
    : QObject(window)
    , m_window(window)
    , m_programFolder(programFolder)
    , m_controls(std::move(controls))
    , m_dialogs(dialogs)
    , m_fileDialog(fileDialog)
    , m_state(std::make_unique<DownloadState>())
    , m_comm(new CommControl(programFolder, this))
    , m_data(new DataList(this))
    , m_esc(new EscWatch(this))
    , m_journal(new HistoryJournal(programFolder + u"/history"_s, this))
{
    m_comm->setObjectName(u"MSComm1"_s);
}

WindowDownloadHost::~WindowDownloadHost()
{
    closePortIfOpen();
}

void WindowDownloadHost::run(DownloadOutcome (*download)(DownloadHost &))
{
    Q_EMIT downloadStarted();
    try {
        const DownloadOutcome outcome = download(*this);
        Q_EMIT downloadEnded(outcome);
    } catch (const DownloadAbandoned &) {
        // The window was closed meanwhile: the port is closed and the
        // program is ending; nothing more is shown.
    }
}

void WindowDownloadHost::auxputbyte(quint8 &byte)
{
    m_comm->output(QByteArray(1, char(byte)));
}

void WindowDownloadHost::closePortIfOpen()
{
    if (m_comm->portOpen())
        m_comm->setPortOpen(false);
}

DownloadJournal *WindowDownloadHost::journal()
{
    return m_journal;
}

void WindowDownloadHost::historyCopyStopped(const QString &reason)
{
    Q_EMIT historyCopyHalted(reason);
}

void WindowDownloadHost::setClipboardButtonVisible(bool visible)
{
    m_controls.clipboard1->setVisible(visible);
}

bool WindowDownloadHost::clipboardButtonVisible() const
{
    return !m_controls.clipboard1->isHidden();
}

void WindowDownloadHost::setDataListVisible(bool visible)
{
    m_controls.stat1->setVisible(visible);
}

void WindowDownloadHost::setProgressVisible(bool visible)
{
    m_controls.panel->setProgressVisible(visible);
}

void WindowDownloadHost::setProgressMax(int max)
{
    m_controls.panel->setProgressMax(max);
}

int WindowDownloadHost::progressMax() const
{
    return m_controls.panel->progressMax();
}

void WindowDownloadHost::setProgressValue(int value)
{
    m_controls.panel->setProgressValue(value);
}

int WindowDownloadHost::progressValue() const
{
    return m_controls.panel->progressValue();
}

void WindowDownloadHost::showReceivedCount(qsizetype lines)
{
    m_controls.panel->showReceivedCount(lines);
}

void WindowDownloadHost::setWarnText2(const QString &text)
{
    m_controls.panel->setMessage(text);
}

void WindowDownloadHost::setWarnText2Visible(bool visible)
{
    m_controls.panel->setMessageVisible(visible);
}

void WindowDownloadHost::setWarnText1Visible(bool visible)
{
    m_controls.panel->setEscHintVisible(visible);
}

void WindowDownloadHost::setQfuText1Visible(bool visible)
{
    m_controls.panel->setQfuHintVisible(visible);
}

void WindowDownloadHost::printOnSurface(const QString &text)
{
    m_controls.surface->printLine(text);
}

// The lock is the menu bar's own: a menu whose action is disabled does not
// open, and the window's entries check it before their handler runs. The
// QMenu widgets are left alone: disabling them as well left the data menu
// half open after a download started from one of its sub-menus.
void WindowDownloadHost::MenueGesperrt()
{
    for (QMenu *menu : std::as_const(m_controls.topMenus))
        menu->menuAction()->setEnabled(false);
}

void WindowDownloadHost::MenueFrei()
{
    for (QMenu *menu : std::as_const(m_controls.topMenus))
        menu->menuAction()->setEnabled(true);
}

bool WindowDownloadHost::escPressed()
{
    return m_esc->test();
}

void WindowDownloadHost::beginDownload()
{
    m_esc->arm();
}

void WindowDownloadHost::throwIfAbandoned() const
{
    if (m_ending)
        throw DownloadAbandoned{};
}

void WindowDownloadHost::processEvents()
{
    QCoreApplication::processEvents();
    throwIfAbandoned();
}

void WindowDownloadHost::waitForEvents(int maxMs)
{
    runEventsWaitingAtMost(maxMs);
    throwIfAbandoned();
}

void WindowDownloadHost::delay(double &milliseconds)
{
    ::delay(milliseconds);
}

void WindowDownloadHost::showMessage(const QString &title, const QString &text)
{
    m_dialogs.message(title, text);
}

bool WindowDownloadHost::askYesNo(const QString &title, const QString &text)
{
    return m_dialogs.question(title, text);
}

std::optional<QString> WindowDownloadHost::saveDialog(const QString &filter, const QString &initDir)
{
    m_fileDialog.setFilter(filter);
    m_fileDialog.setInitDir(initDir);
    return m_fileDialog.exec(m_window, SharedFileDialog::Mode::Save);
}
