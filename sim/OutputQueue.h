#pragma once

#include "sim/Pace.h"
#include "sim/WireTrace.h"

#include <QByteArray>
#include <deque>
#include <optional>

namespace korvelan::sim {

// What a device has still to say, each byte with the time it reaches the line. Replies queue
// behind one another as on a real serial line: a reply that is ready while another is still
// going out starts when the line is free.
class OutputQueue
{
public:
    void setPace(Pace pace) { m_pace = pace; }
    [[nodiscard]] Pace pace() const { return m_pace; }

    // Queues bytes to go out from `at` on; returns when the first of them goes out.
    TimePoint push(const QByteArray& bytes, TimePoint at);
    // Bytes due at or before `now`, in order; each is recorded in the trace when given one.
    QByteArray take(TimePoint now, WireTrace* trace = nullptr);
    // Forgets every byte that is not on the line by `at` (the device stops talking).
    void cancelAfter(TimePoint at);
    void clear() { m_chunks.clear(); }

    [[nodiscard]] std::optional<TimePoint> nextDue() const;
    // When the last queued byte is out; `at` when nothing is queued after it.
    [[nodiscard]] TimePoint freeAt(TimePoint at) const;
    [[nodiscard]] bool isEmpty() const { return m_chunks.empty(); }

private:
    struct Chunk
    {
        TimePoint start;
        Duration step;
        QByteArray bytes;
        qsizetype sent = 0;
        [[nodiscard]] TimePoint dueOf(qsizetype i) const { return start + step * i; }
    };

    std::deque<Chunk> m_chunks;
    Pace m_pace = Pace::Instant;
};

} // namespace korvelan::sim
