#pragma once

#include "common/SimulatorProcess.h"
#include "link/SerialChannel.h"
#include "link/Transport.h"
#include "support/ScriptedPrompter.h"

namespace korvelan::test {

// The program's real serial port, clock and transport on the logger of a korvelan-sim run
// beside the test, its port open as the probe leaves it (COM 1, kept open).
struct SimulatorLink
{
    SimulatorProcess sim;
    LoggerSession session;
    SerialChannel channel;
    RealClock clock;
    ScriptedPrompter prompter;
    Transport transport{session, channel, clock, prompter,
                        [this](int) { return sim.devices().logger; }};

    bool start(const QString& program, const QStringList& arguments, QString* error)
    {
        if (!sim.start(program, arguments, error))
            return false;
        session.Porta = 1;
        session.PortaSempreAperta = true;
        channel.setPortName(sim.devices().logger);
        return channel.open(LineSettings{}, error);
    }
};

} // namespace korvelan::test
