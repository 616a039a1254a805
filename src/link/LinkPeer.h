#pragma once

#include "link/Clock.h"

#include <QByteArray>
#include <optional>

namespace korvelan {

// The far end of an in-memory link: a device that takes bytes at a time and produces bytes
// that become readable at a time of its own (its reply pace, its timers).
class LinkPeer
{
public:
    virtual ~LinkPeer() = default;
    virtual void receive(const QByteArray& bytes, TimePoint at) = 0;
    // Everything the peer has produced up to `now`.
    virtual QByteArray take(TimePoint now) = 0;
    // When the peer next has something to do or to say, if ever.
    [[nodiscard]] virtual std::optional<TimePoint> nextEvent() const = 0;
    // The line dropped (carrier lost) at or before `now`.
    [[nodiscard]] virtual bool droppedBy(TimePoint now) const { return (void)now, false; }
    // The program closed its port: the terminal-ready line (DTR) went down at `at`.
    virtual void portClosed(TimePoint at) { (void)at; }
};

} // namespace korvelan
