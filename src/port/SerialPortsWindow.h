// The "Serial ports" window: where COM 1 to COM 16 lead now, the serial
// devices present, and giving a device a COM number (a ports/comN link).
// A dialog without modality: Tab moves between its controls, Esc and Close
// close it, every button has an access key.
#pragma once

#include "ComLinks.h"
#include "PortMessages.h"

#include <QDialog>
#include <functional>

class QPushButton;
class QSpinBox;
class QTableWidget;

class SerialPortsWindow : public QDialog
{
    Q_OBJECT
public:
    using DeviceSource = std::function<QList<SerialDevice>()>;

    // Without a device source the system's serial devices are listed; without
    // message and question hooks modal boxes ask the user.
    explicit SerialPortsWindow(const QString &programFolder, QWidget *parent = nullptr,
                               DeviceSource devices = {}, ShowMessage showMessage = {},
                               AskYesNo askYesNo = {});

    // Reads the links and the devices again.
    void refresh();
    // Gives the device the COM number; asks before an existing ports/comN is replaced.
    bool assignCom(int com, const QString &device);
    bool removeCom(int com);

private:
    void assignSelected();
    void removeSelected();
    void updateButtons();
    void message(const QString &text);
    bool ask(const QString &text);

    QString m_programFolder;
    DeviceSource m_devices;
    ShowMessage m_showMessage;
    AskYesNo m_askYesNo;
    QList<ComLink> m_links;
    QList<SerialDevice> m_present;

    QTableWidget *m_comTable;
    QTableWidget *m_deviceTable;
    QSpinBox *m_comNumber;
    QPushButton *m_assign;
    QPushButton *m_remove;
    QPushButton *m_refresh;
    QPushButton *m_close;
};
