#pragma once

#include "link/Clock.h"

#include <QByteArray>
#include <QString>
#include <deque>
#include <functional>

namespace korvelan::sim {

enum class Direction {
    ToDevice,   // written by the program
    FromDevice, // said by the emulated device
};

struct TracedByte
{
    TimePoint at;
    Direction direction;
    char value;
};

// Every byte that crossed the line, each way, with its time: what a line analyser would show.
// The memory holds the most recent bytes only, so a long session stays bounded; a sink sees
// every byte as it is recorded (the sim program writes it to a file).
class WireTrace
{
public:
    using Sink = std::function<void(const TracedByte&)>;

    static constexpr std::size_t kDefaultLimit = 4'000'000;

    void record(Direction direction, char value, TimePoint at);
    void record(Direction direction, const QByteArray& bytes, TimePoint at);
    void clear() { m_bytes.clear(); }
    void setLimit(std::size_t bytes) { m_limit = bytes; }
    void setSink(Sink sink) { m_sink = std::move(sink); }

    [[nodiscard]] const std::deque<TracedByte>& bytes() const { return m_bytes; }
    [[nodiscard]] QByteArray toDevice() const { return collect(Direction::ToDevice); }
    [[nodiscard]] QByteArray fromDevice() const { return collect(Direction::FromDevice); }

    // One line per run of bytes with the same direction and time, seconds counted from
    // `origin`: "   1.250000 -> G,"; bytes outside printable ASCII are shown as <0D>.
    [[nodiscard]] QString format(TimePoint origin) const;
    bool writeTo(const QString& path, TimePoint origin) const;

    static QString escaped(const QByteArray& bytes);
    static QString formatLine(TimePoint origin, TimePoint at, Direction direction,
                              const QByteArray& bytes);

private:
    [[nodiscard]] QByteArray collect(Direction direction) const;

    std::deque<TracedByte> m_bytes;
    std::size_t m_limit = kDefaultLimit;
    Sink m_sink;
};

} // namespace korvelan::sim
