// Keeps the port dialog and the "Serial ports" window for the main window: a
// fresh dialog after the user closed it, the same one again when it was hidden.
#pragma once

#include "PortDialog.h"
#include "SerialPortsWindow.h"

#include <QObject>
#include <QPointer>

class PortDialogOwner : public QObject
{
    Q_OBJECT
public:
    // The dialog and the window are children of mainWindow.
    PortDialogOwner(PortDialogHooks hooks, QWidget *mainWindow);

    // "Select interface": the main window closes its own port first.
    void showDialog();
    // Where the user looks up and assigns the COM numbers of the devices.
    void showDeviceManager();

    PortDialog *dialog() const { return m_dialog; }
    SerialPortsWindow *serialPortsWindow() const { return m_serialPorts; }

private:
    PortDialogHooks m_hooks;
    QWidget *m_mainWindow;
    QPointer<PortDialog> m_dialog;
    QPointer<SerialPortsWindow> m_serialPorts;
};
