#include "PortOpen.h"

#include "CommControl.h"
#include "PortNumber.h"
#include "ShortText.h"
#include "SystemCalls.h"

#include <unistd.h>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

const QString kChooseAgain = u"Choose the instrument's port in the port selection dialog and start the transfer again."_s;

bool mayReadAndWrite(const QString &path)
{
    return sys::access(path, R_OK | W_OK).ok();
}

PortOpenResult failed(PortProblem problem, const QString &title, const QString &message)
{
    PortOpenResult result;
    result.outcome = PortOpenResult::Failed;
    result.problem = std::move(problem);
    result.title = title;
    result.message = message;
    return result;
}

} // namespace

PortProblem::Kind portOpenFailureKind(QSerialPort::SerialPortError error, bool deviceAccessible)
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return PortProblem::Kind::DeviceMissing;
    case QSerialPort::PermissionError:
        return deviceAccessible ? PortProblem::Kind::InUse : PortProblem::Kind::NoPermission;
    default:
        return PortProblem::Kind::OpenFailed;
    }
}

QString portOpenFailureMessage(int port, const QString &devicePath, QSerialPort::SerialPortError error,
                               const QString &reason, bool deviceAccessible)
{
    const QString head = u"COM %1 cannot be opened: "_s.arg(port);
    switch (portOpenFailureKind(error, deviceAccessible)) {
    case PortProblem::Kind::DeviceMissing:
        return head + u"there is no device %1 (%2).\n"_s.arg(devicePath, reason)
            + u"Connect the instrument's cable or USB adapter, or choose another port in the port "
              "selection dialog, and start the transfer again."_s;
    case PortProblem::Kind::InUse:
        return head + u"%1 is in use by another program (%2).\n"_s.arg(devicePath, reason)
            + u"Close the program that holds the port and start the transfer again."_s;
    case PortProblem::Kind::NoPermission:
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
    PortProblem problem;
    if (comPortNumber.trimmed().isEmpty()) {
        problem.kind = PortProblem::Kind::NoPortChosen;
        return failed(problem, u"No COM port chosen"_s, u"No COM port has been chosen yet.\n"_s + kChooseAgain);
    }
    const std::optional<qint16> number = portNumberFromText(comPortNumber);
    if (!number) {
        problem.kind = PortProblem::Kind::NotANumber;
        problem.text = comPortNumber;
        return failed(problem, u"Invalid COM port number"_s,
                      u"The port number \"%1\" is not a number from 1 to 16.\n"_s.arg(shortForMessage(comPortNumber)) + kChooseAgain);
    }
    comm.setCommPort(*number);
    if (comm.portOpen())
        return {PortOpenResult::AlreadyOpen, {}, {}, {}};
    problem.port = *number;
    if (*number < 1 || *number > 16) {
        problem.kind = PortProblem::Kind::NoSuchCom;
        return failed(problem, u"Invalid COM port number"_s,
                      u"COM %1 does not exist: the program uses COM 1 to COM 16.\n"_s.arg(*number) + kChooseAgain);
    }
    if (!comm.setPortOpen(true)) {
        problem.device = comm.devicePath();
        problem.reason = comm.errorString();
        const bool accessible = mayReadAndWrite(problem.device);
        problem.kind = portOpenFailureKind(comm.lastError(), accessible);
        return failed(problem, u"COM %1 cannot be opened"_s.arg(*number),
                      portOpenFailureMessage(*number, problem.device, comm.lastError(), problem.reason, accessible));
    }
    return {PortOpenResult::Opened, {}, {}, {}};
}
