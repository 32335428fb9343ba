#include "PortDialogOwner.h"

#include "PortEntry.h"
#include "SerialPortsWindow.h"

#ifdef Q_OS_WIN
#include <qt_windows.h>
#include <shellapi.h>
#endif

PortDialogOwner::PortDialogOwner(PortDialogHooks hooks, QWidget *mainWindow)
    : QObject(mainWindow)
    , m_hooks(std::move(hooks))
    , m_mainWindow(mainWindow)
{
}

void PortDialogOwner::showDialog()
{
    if (m_dialog) {
        m_dialog->show();
        m_dialog->raise();
        m_dialog->activateWindow();
        return;
    }
    auto *dialog = new PortDialog(m_hooks, m_mainWindow);
    m_dialog = dialog;
    connect(dialog, &PortDialog::deviceManagerRequested, this, &PortDialogOwner::showDeviceManager);
    connect(dialog, &PortDialog::unloaded, this, [this, dialog] {
        if (m_dialog == dialog)
            m_dialog.clear();
        dialog->deleteLater();
    });
    dialog->load();
}

void PortDialogOwner::showDeviceManager()
{
#ifdef Q_OS_WIN
    ShellExecuteW(m_dialog ? reinterpret_cast<HWND>(m_dialog->winId()) : nullptr, L"open", L"Devmgmt.msc", L"", L"",
                  SW_SHOWNORMAL);
#else
    if (!m_serialPorts)
        m_serialPorts = new SerialPortsWindow(m_hooks.programFolder, m_mainWindow, {}, m_hooks.showMessage);
    // The number typed in the dialog is the one being chosen.
    if (m_dialog) {
        const PortEntry entry = portEntryFromText(m_dialog->entryText());
        if (entry.kind == PortEntry::Port)
            m_serialPorts->offerCom(entry.port);
    }
    m_serialPorts->show();
    m_serialPorts->raise();
    m_serialPorts->activateWindow();
#endif
}
