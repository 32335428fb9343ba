// Which errors of QSerialPort matter: the same error code means something
// different while opening, while setting up the line, and while data flow.
#pragma once

#include <QSerialPort>

enum class SerialStep {
    Open,      // opening the device
    Framing,   // baud rate, data bits, parity, stop bits, flow control
    Signal,    // the RTS and DTR lines
    Transfer,  // reading, writing, clearing buffers, and errors the event loop reports
    Drain,     // waiting for queued output to leave, bounded in time
};

enum class ErrorVerdict {
    Ignore,       // not an error for this step
    Unsupported,  // the device cannot do this (a pseudo-terminal's lines and framing): go on
    DeviceLost,   // the open device went away
    Failure,      // a real failure of the step
};

ErrorVerdict classifySerialError(SerialStep step, QSerialPort::SerialPortError error);

// The more serious of two verdicts (DeviceLost > Failure > Unsupported > Ignore).
ErrorVerdict worseVerdict(ErrorVerdict a, ErrorVerdict b);
