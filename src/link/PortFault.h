#pragma once

#include <QString>

namespace korvelan {

// Why a port would not open.
enum class PortFault {
    None,    // it opened
    Missing, // no such device
    Denied,  // the user may not use the device
    Busy,    // another program has it open
    Other,   // anything else; the system's text says what
};

// What the operator reads when COM `port` (the device `device`) does not open: the port,
// the device and what to do about it. `systemText` is the system's own description, shown
// for faults the program has no advice for.
QString portErrorText(int port, const QString& device, PortFault fault, const QString& systemText);

} // namespace korvelan
