#include "SerialPolicy.h"

ErrorVerdict classifySerialError(SerialStep step, QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::NoError)
        return ErrorVerdict::Ignore;
    // Nothing is open yet, so nothing can be lost: whatever went wrong, the port is not there.
    if (step == SerialStep::Open)
        return ErrorVerdict::Failure;

    switch (error) {
    // A hung-up pseudo-terminal floods ReadError where an unplugged adapter
    // gives ResourceError or (the node is gone) DeviceNotFoundError.
    case QSerialPort::ReadError:
    case QSerialPort::ResourceError:
    case QSerialPort::DeviceNotFoundError:
        return ErrorVerdict::DeviceLost;
    case QSerialPort::UnsupportedOperationError:
        return (step == SerialStep::Framing || step == SerialStep::Signal) ? ErrorVerdict::Unsupported
                                                                          : ErrorVerdict::Failure;
    // Output held back (XOFF, a stalled adapter) is given up on after the bound.
    case QSerialPort::TimeoutError:
        return step == SerialStep::Drain ? ErrorVerdict::Ignore : ErrorVerdict::Failure;
    default:
        return ErrorVerdict::Failure;
    }
}

ErrorVerdict worseVerdict(ErrorVerdict a, ErrorVerdict b)
{
    const auto rank = [](ErrorVerdict v) {
        switch (v) {
        case ErrorVerdict::Ignore: return 0;
        case ErrorVerdict::Unsupported: return 1;
        case ErrorVerdict::Failure: return 2;
        case ErrorVerdict::DeviceLost: return 3;
        }
        return 0;
    };
    return rank(a) >= rank(b) ? a : b;
}
