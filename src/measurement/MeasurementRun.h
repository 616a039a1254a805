#pragma once

#include "measurement/MeasurementGrid.h"

#include <QString>
#include <array>
#include <optional>

namespace korvelan {

class Transport;
struct LoggerSession;

// The exchanges of a continuous reading, apart from its window: how many channels each of
// multiplexers 0 and 1 has and which are vibrating-wire ones, the start of the logger's run,
// one reading cycle into a row of the two grids, and the run's end. The window decides when
// a cycle starts, what is shown and what is written.
class MeasurementRun
{
public:
    static constexpr int kMaxPositions = 16;

    // How a cycle's readings are shown.
    struct Options
    {
        bool uStrain = false; // vibrating-wire readings in microstrain
        bool delta = false;   // differences from the first reading
        float gage = 0;
    };
    enum class Cycle { Read, TimedOut, Failed };

    MeasurementRun(Transport& transport, LoggerSession& session, MeasurementGrid& grid1,
                   MeasurementGrid& grid2);

    // Starts afresh: nothing probed, nothing read.
    void reset();
    // Reads both multiplexers' channel counts and vibrating-wire flags into the session;
    // false when a count got no answer or one no multiplexer can have.
    bool probe();
    [[nodiscard]] int count0() const { return m_count0; }
    [[nodiscard]] int count1() const { return m_count1; }

    // One cycle into `row` of the grids, starting the logger's run first when this is the
    // first cycle. After a time-out the rest of the cycle reads as the time-out; a failure
    // leaves its description in fault().
    Cycle readCycle(int row, int16_t mux, const Options& options);
    // The cycle has been kept: later cycles show their differences from it.
    void cycleKept() { m_firstCycle = false; }
    [[nodiscard]] bool firstCycle() const { return m_firstCycle; }
    [[nodiscard]] const QString& fault() const { return m_fault; }
    // The row as the measurement file holds it: date, multiplexer 0's, then 1's readings.
    [[nodiscard]] QString cycleLine(int row) const;
    // Tells the logger the run is over, when its run was started.
    void endLoggerRun();

private:
    using Flags = std::array<bool, kMaxPositions + 1>;
    [[nodiscard]] std::optional<int> probeCount(int mux);
    void probeFlags(int firstChannel, int count, Flags& flags);
    bool send(const QString& parameters);
    bool readMultiplexer(int mux, int row, const Options& options);

    Transport& m_transport;
    LoggerSession& m_session;
    MeasurementGrid& m_grid1;
    MeasurementGrid& m_grid2;

    int m_count0 = 0;
    int m_count1 = 0;
    std::array<Flags, 2> m_vw{};
    std::array<std::array<double, kMaxPositions + 1>, 2> m_first{};
    bool m_firstCycle = true;
    bool m_firstTaken = false;
    bool m_timeout = false;
    bool m_loggerRunning = false; // "P m,1," went out
    QString m_fault;
};

} // namespace korvelan
