#include "PortOpen.h"

#include "CommControl.h"
#include "PortNumber.h"
#include "ShortText.h"
#include "SystemCalls.h"

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QString kChooseAgain = u"Choose the instrument's port in the port selection dialog and start the transfer again."_s;

bool mayReadAndWrite(const QString &path)
{
    return sys::access(path, R_OK | W_OK).ok();
}

PortOpenResult failed(const QString &title, const QString &message)
{
    PortOpenResult result;
    result.outcome = PortOpenResult::Failed;
    result.title = title;
    result.message = message;
    return result;
}

} // namespace

QString portOpenFailureMessage(int port, const QString &devicePath, QSerialPort::SerialPortError error,
                               const QString &reason, bool deviceAccessible)
{
    const QString head = u"COM %1 cannot be opened: "_s.arg(port);
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return head + u"there is no device %1 (%2).\n"_s.arg(devicePath, reason)
            + u"Connect the instrument's cable or USB adapter, or choose another port in the port "
              "selection dialog, and start the transfer again."_s;
    case QSerialPort::PermissionError:
        if (deviceAccessible) {
            return head + u"%1 is in use by another program (%2).\n"_s.arg(devicePath, reason)
                + u"Close the program that holds the port and start the transfer again."_s;
        }
        return head + u"permission to use %1 is denied (%2).\n"_s.arg(devicePath, reason)
            + u"The user must be a member of the group \"dialout\": run  sudo usermod -aG dialout $USER , "
              "log out and in again, and start the transfer again."_s;
    default:
        return head + u"%1: %2.\n"_s.arg(devicePath, reason)
            + u"Check the connection to the instrument, or choose another port in the port selection "
              "dialog, and start the transfer again."_s;
    }
}

PortOpenResult openPortStep(CommControl &comm, const QString &comPortNumber)
{
    if (comPortNumber.trimmed().isEmpty())
        return failed(u"No COM port chosen"_s, u"No COM port has been chosen yet.\n"_s + kChooseAgain);
    const std::optional<qint16> number = portNumberFromText(comPortNumber);
    if (!number) {
        return failed(u"Invalid COM port number"_s,
                      u"The port number \"%1\" is not a number from 1 to 16.\n"_s.arg(shortForMessage(comPortNumber)) + kChooseAgain);
    }
    comm.setCommPort(*number);
    if (comm.portOpen())
        return {PortOpenResult::AlreadyOpen, {}, {}};
    if (*number < 1 || *number > 16) {
        return failed(u"Invalid COM port number"_s,
                      u"COM %1 does not exist: the program uses COM 1 to COM 16.\n"_s.arg(*number) + kChooseAgain);
    }
    if (!comm.setPortOpen(true)) {
        const QString path = comm.devicePath();
        return failed(u"COM %1 cannot be opened"_s.arg(*number),
                      portOpenFailureMessage(*number, path, comm.lastError(), comm.errorString(),
                                             mayReadAndWrite(path)));
    }
    return {PortOpenResult::Opened, {}, {}};
}
