// The port-open step every download starts with: ComPortNumber selects the
// port, which is opened unless it is open already.
#pragma once

#include <QString>

class CommControl;

struct PortOpenResult
{
    enum Outcome { Opened, AlreadyOpen, Failed };
    Outcome outcome = Failed;
    // For Failed: what the user reads (COM number, device path, the system's
    // reason, and for "permission denied" the dialout group).
    QString message;
};

PortOpenResult openPortStep(CommControl &comm, const QString &comPortNumber);
