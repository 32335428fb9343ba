// The "Serial ports" window: where COM 1 to COM 16 lead now, the serial
// devices present, and giving a device a COM number (a ports/comN link).
// While it is open it follows plugging and unplugging as the desktop's own
// device lists do: the folders where device nodes and COM links appear are
// watched, and an adapter that was just plugged in is marked and chosen,
// ready for the COM number being chosen. A dialog without modality: Tab moves
// between its controls, Esc and Close close it, every button has an access key.
#pragma once

#include "ComLinks.h"
#include "PortMessages.h"

#include <QDialog>
#include <QStringList>
#include <QTimer>
#include <functional>

class QFileSystemWatcher;
class QLabel;
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

    // The folders whose changes mean a device came or went; by default the
    // system's /dev, /dev/serial and /dev/serial/by-id. Folders that do not
    // exist yet are watched once they appear in a watched one.
    void setWatchedFolders(const QStringList &folders);
    // The COM number the user is choosing (1 to 16): a device plugged in is
    // offered for it.
    void offerCom(int com);

    // Reads the links and the devices again.
    void refresh();
    // Gives the device the COM number; asks before an existing ports/comN is replaced.
    bool assignCom(int com, const QString &device);
    bool removeCom(int com);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void watch();
    void showPlugged();
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
    // The devices present when the window was shown, and those plugged in since.
    QStringList m_known;
    QStringList m_plugged;

    QStringList m_watchedFolders;
    QFileSystemWatcher *m_watcher = nullptr;
    // A plug-in changes several folders in a burst (the node, then udev's
    // links): one listing after the burst settles.
    QTimer m_settle;

    QTableWidget *m_comTable;
    QTableWidget *m_deviceTable;
    QLabel *m_pluggedHint;
    QSpinBox *m_comNumber;
    QPushButton *m_assign;
    QPushButton *m_remove;
    QPushButton *m_close;
};
