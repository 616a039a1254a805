#pragma once

#include "link/LoggerSession.h"
#include "link/MemoryChannel.h"
#include "link/Transport.h"
#include "link/VirtualClock.h"
#include "sim/LoggerEmulator.h"
#include "support/ScriptedPrompter.h"

#include <memory>

namespace korvelan::test {

// The program's link to an in-process emulated logger on COM 1, on a virtual clock.
struct LoggerRig {
    LoggerSession session;
    VirtualClock clock;
    sim::LoggerEmulator logger{clock.now(), QDateTime(QDate(2025, 5, 12), QTime(10, 30))};
    MemoryChannel channel{logger, clock};
    ScriptedPrompter prompter;
    Transport transport{session, channel, clock, prompter, [](int port) {
                            return QStringLiteral("COM%1").arg(port);
                        }};

    LoggerRig()
    {
        clock.addSource([this] { return logger.nextEvent(); });
        channel.setExistingPorts({QStringLiteral("COM1"), QStringLiteral("COM2")});
    }
    // Opens the port as the probe leaves it, without spending the probe's time.
    void connect()
    {
        session.Porta = 1;
        session.PortaSempreAperta = true;
        channel.setPortName(QStringLiteral("COM1"));
        QString error;
        channel.open(LineSettings{}, &error);
    }
};

}  // namespace korvelan::test
