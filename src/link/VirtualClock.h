#pragma once

#include "link/Clock.h"

#include <functional>
#include <optional>
#include <vector>

namespace korvelan {

// A clock for tests: waits advance time at once to the next thing that can happen (a
// source's event, the deadline) and let posted events run on the way, so a two-minute
// time-out costs nothing and its length can still be asserted.
class VirtualClock final : public Clock
{
    Q_OBJECT
public:
    using Source = std::function<std::optional<TimePoint>()>;

    explicit VirtualClock(QObject* parent = nullptr);

    [[nodiscard]] TimePoint now() const override { return m_now; }
    void waitWithEvents(TimePoint deadline, Channel* wake) override;
    void waitBlocking(TimePoint deadline) override;
    void interrupt() override { m_interrupted = true; }

    // Something that will have input at a time of its own (an emulator).
    void addSource(Source next) { m_sources.push_back(std::move(next)); }
    void advance(Duration d) { m_now += d; }
    [[nodiscard]] Duration elapsed() const { return m_now - m_start; }
    // Called on each step of a wait that lets events run, after posted events have run:
    // how tests click a button "during" a wait.
    void setOnWaitStep(std::function<void()> hook) { m_onStep = std::move(hook); }
    [[nodiscard]] int waitsWithEvents() const { return m_waitsWithEvents; }

private:
    [[nodiscard]] std::optional<TimePoint> nextSourceEvent() const;

    TimePoint m_start;
    TimePoint m_now;
    std::vector<Source> m_sources;
    std::function<void()> m_onStep;
    bool m_interrupted = false;
    int m_waitsWithEvents = 0;
};

} // namespace korvelan
