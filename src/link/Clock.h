#pragma once

#include <QEventLoop>
#include <QObject>
#include <chrono>

namespace korvelan {

class Channel;

using Duration = std::chrono::nanoseconds;
using TimePoint = std::chrono::steady_clock::time_point;

// Monotonic time and the only place where the program waits.
//
// waitWithEvents lets window events run while it waits: it returns at the deadline, as soon
// as new input reaches `wake` (or the channel is lost), or when interrupt() is called. waitBlocking
// keeps the window painting but takes no user input, and lasts at least until the deadline.
class Clock : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~Clock() override = default;

    [[nodiscard]] virtual TimePoint now() const = 0;
    virtual void waitWithEvents(TimePoint deadline, Channel* wake) = 0;
    virtual void waitBlocking(TimePoint deadline) = 0;
    // Ends the wait that is running now, if any (used to cancel an exchange).
    virtual void interrupt() = 0;

    void sleepFor(Duration d) { waitBlocking(now() + d); }
};

// The machine's steady clock; waits run a local event loop woken by input or a timer.
class RealClock final : public Clock
{
    Q_OBJECT
public:
    using Clock::Clock;
    [[nodiscard]] TimePoint now() const override;
    void waitWithEvents(TimePoint deadline, Channel* wake) override;
    void waitBlocking(TimePoint deadline) override;
    void interrupt() override;

private:
    QEventLoop* m_loop = nullptr;
};

} // namespace korvelan
