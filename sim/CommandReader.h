#pragma once

#include "link/Clock.h"

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <chrono>
#include <optional>
#include <vector>

namespace korvelan::sim {

// How a command letter is followed on the wire.
struct CommandShape
{
    bool bare = false; // the letter alone is a complete command
    // Comma-ended parameter fields of the parameter form; 0: there is none; kByFirstField:
    // the first field decides (see fieldsAfterFirst).
    int fields = 0;
};
inline constexpr int kByFirstField = -1;

// The shape of each command the logger knows; nothing for a letter it ignores.
std::optional<CommandShape> shapeOf(char letter);
// Total fields of a command whose count depends on its first field ("A").
int fieldsAfterFirst(char letter, const QByteArray& firstField);

struct Command
{
    char letter = 0;
    QList<QByteArray> fields; // parameter fields without their commas
    bool bare = false;        // sent as the letter alone
    TimePoint started;        // the letter arrived
    TimePoint completed;      // the last character arrived, or the idle gap ended
};

// A parameter character that arrived closer to the character before it (the letter, for the
// first) than the program's pace promises.
struct PacingViolation
{
    char letter = 0;
    int position = 0; // index of the late character among the parameter characters
    Duration gap{};
    TimePoint at;
};

// Turns the bytes the logger receives into commands.
//
// A letter that has both forms (G alone asks for the counted block, G followed by "," for the
// field row) is told apart by what follows it: the program writes the letter and its first
// parameter character back to back and paces the others at 10 ms, so a letter followed by
// silence for kBareGap was sent alone. The gap is several times the 10 ms pace so that a
// slow sender is not cut short, and short enough that the 2 s probe and the counted reads
// are answered well in time.
class CommandReader
{
public:
    static constexpr auto kBareGap = std::chrono::milliseconds(60);
    // A command left half way (a lost character, an operator who stopped typing) is given up
    // after this much silence, so the next letter starts afresh. The program's slowest pace is
    // one SMS line every ~110 ms.
    static constexpr auto kAbandonAfter = std::chrono::seconds(2);
    // The pace the program promises between parameter characters.
    static constexpr auto kParameterPace = std::chrono::milliseconds(10);

    // Reads one byte; commands it completes (and any that time ran out on) go to `done`.
    void feed(char c, TimePoint at, std::vector<Command>& done);
    // Lets time pass: a bare letter whose gap has ended completes, a stalled command is dropped.
    void advanceTo(TimePoint now, std::vector<Command>& done);
    [[nodiscard]] std::optional<TimePoint> nextDeadline() const;
    [[nodiscard]] bool isReading() const { return m_current.has_value(); }
    void reset() { m_current.reset(); }

    void setStrict(bool on) { m_strict = on; }
    [[nodiscard]] const std::vector<PacingViolation>& violations() const { return m_violations; }
    [[nodiscard]] int abandoned() const { return m_abandoned; }
    // What the reader could not take as a command: a byte that starts none (a field too many
    // spills out as such), a command left unfinished (a field too few, a missing comma).
    [[nodiscard]] QStringList takeErrors() { return std::exchange(m_errors, {}); }

private:
    struct Partial
    {
        Command command;
        CommandShape shape;
        QByteArray field;
        int needed = 0;
        int parameterChars = 0;
        TimePoint lastAt;
    };
    void startCommand(char letter, CommandShape shape, TimePoint at, std::vector<Command>& done);
    void finish(TimePoint at, bool bare, std::vector<Command>& done);

    std::optional<Partial> m_current;
    bool m_strict = false;
    std::vector<PacingViolation> m_violations;
    int m_abandoned = 0;
    QStringList m_errors;
};

} // namespace korvelan::sim
