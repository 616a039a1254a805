#pragma once

#include "common/Prompter.h"
#include "link/LinkLog.h"
#include "link/LoggedChannel.h"
#include "link/LoggerSession.h"
#include "link/SerialChannel.h"
#include "link/Transport.h"
#include "remote/CarrierWatch.h"

namespace korvelan {

class Clock;

// The link as a program runs it: the serial port, its log (kept in memory, and written to a
// file when asked), the watch for a modem's NO CARRIER, which ends the link as a pulled cable
// does, and the transport routines over them with the session record.
class ProgramLink
{
public:
    ProgramLink(Clock& clock, Prompter& prompter, Transport::PortResolver resolvePort)
        : log(clock), logged(serial, log), channel(logged, clock),
          transport(session, channel, clock, prompter, std::move(resolvePort))
    {
        transport.setExchangeBoundary([this] { log.flush(); });
    }
    ProgramLink(const ProgramLink&) = delete;
    ProgramLink& operator=(const ProgramLink&) = delete;

    LoggerSession session;
    LinkLog log;
    SerialChannel serial;
    LoggedChannel logged;
    CarrierWatch channel;
    Transport transport;
};

} // namespace korvelan
