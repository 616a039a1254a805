#pragma once

#include "Pty.h"
#include "link/SerialChannel.h"
#include "link/Transport.h"
#include "support/ScriptedPrompter.h"

namespace korvelan::test {

// The program's real link, serial port and clock, to a device played on the master side of
// a pseudo-terminal.
struct PtyLink
{
    Pty pty;
    LoggerSession session;
    RealClock clock;
    SerialChannel channel;
    ScriptedPrompter prompter;
    Transport transport{session, channel, clock, prompter, [this](int) { return pty.slavePath(); }};

    // Opens the port as the probe leaves it: COM 1, kept open.
    bool open(QString* error = nullptr)
    {
        session.Porta = 1;
        session.PortaSempreAperta = true;
        channel.setPortName(pty.slavePath());
        QString ignored;
        return pty.isValid() && channel.open(LineSettings{}, error ? error : &ignored);
    }
};

} // namespace korvelan::test
