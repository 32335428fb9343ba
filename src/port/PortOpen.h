// The port-open step every download starts with: ComPortNumber selects the
// port, which is opened unless it is open already.
#pragma once

#include <QSerialPort>
#include <QString>

class CommControl;

// Why a download could not start on its port, as facts each caller words in
// its own way: the window speaks of its port selection dialog, the command
// line of its options and of the device it was given.
struct PortProblem
{
    enum class Kind {
        None,
        NoPortChosen,     // the COM number is empty
        NotANumber,       // the COM number is no number (text holds it)
        NoSuchCom,        // a number outside COM 1 to COM 16
        DeviceMissing,    // there is no device at the path
        InUse,            // the device refused to open although this user may use it
        NoPermission,     // this user may not read and write the device
        OpenFailed,       // any other reason the device did not open
        SettingsRefused,  // the open port did not take the line settings
    };
    Kind kind = Kind::None;
    int port = 0;        // the COM number
    QString text;        // NotANumber: the COM number as it was given
    QString device;      // the device path that was tried
    QString reason;      // the system's reason
    QString settings;    // SettingsRefused: the settings text, e.g. "9600,n,8,1"
};

struct PortOpenResult
{
    enum Outcome { Opened, AlreadyOpen, Failed };
    Outcome outcome = Failed;
    // For Failed: what went wrong,
    PortProblem problem;
    // what the window's user reads (COM number, device path, the system's
    // reason, and for "permission denied" the dialout group),
    QString message;
    // and a short title for the message box.
    QString title;
};

PortOpenResult openPortStep(CommControl &comm, const QString &comPortNumber);

// The kind of failure a refused open is: error as the control reported it;
// deviceAccessible tells whether this user may read and write the device
// (then a refused open means that another program holds the port).
PortProblem::Kind portOpenFailureKind(QSerialPort::SerialPortError error, bool deviceAccessible);

// What the window's user reads when COM port could not be opened as
// devicePath: the fact, then what to do in the window.
QString portOpenFailureMessage(int port, const QString &devicePath, QSerialPort::SerialPortError error,
                               const QString &reason, bool deviceAccessible);
