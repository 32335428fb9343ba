// The port-open step every download starts with: ComPortNumber selects the
// port, which is opened unless it is open already.
#pragma once

#include <QSerialPort>
#include <QString>

class CommControl;

struct PortOpenResult
{
    enum Outcome { Opened, AlreadyOpen, Failed };
    Outcome outcome = Failed;
    // For Failed: what the user reads (COM number, device path, the system's
    // reason, and for "permission denied" the dialout group).
    QString message;
    // For Failed: a short title for the message box.
    QString title;
};

PortOpenResult openPortStep(CommControl &comm, const QString &comPortNumber);

// What the user reads when COM port could not be opened as devicePath: error
// and reason as the control reported them; deviceAccessible tells whether
// this user may read and write the device (then a refused open means that
// another program holds the port).
QString portOpenFailureMessage(int port, const QString &devicePath, QSerialPort::SerialPortError error,
                               const QString &reason, bool deviceAccessible);
