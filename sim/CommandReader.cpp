#include "sim/CommandReader.h"

#include "link/NumberForms.h"

namespace korvelan::sim {

int fieldsAfterFirst(char letter, const QByteArray& firstField)
{
    if (letter != 'A')
        return 1;
    // "A" 2 and 3 carry a date and a time of day: day, month, year, hours, minutes, seconds.
    const auto selector =
        numbers::roundHalfEven(numbers::leadingNumber(QString::fromLatin1(firstField)));
    return (selector == 2 || selector == 3) ? 7 : 1;
}

void CommandReader::startCommand(char letter, CommandShape shape, TimePoint at,
                                 std::vector<Command>& done)
{
    Partial p;
    p.command.letter = letter;
    p.command.started = at;
    p.shape = shape;
    p.needed = shape.fields;
    p.lastAt = at;
    m_current = p;
    if (shape.fields == 0)
        finish(at, true, done);
}

void CommandReader::finish(TimePoint at, bool bare, std::vector<Command>& done)
{
    Command command = m_current->command;
    command.bare = bare;
    command.completed = at;
    m_current.reset();
    done.push_back(std::move(command));
}

void CommandReader::advanceTo(TimePoint now, std::vector<Command>& done)
{
    if (!m_current)
        return;
    const auto deadline = *nextDeadline();
    if (deadline > now)
        return;
    if (m_current->shape.bare && m_current->parameterChars == 0) {
        finish(deadline, true, done);
    } else {
        ++m_abandoned;
        QString sofar(QLatin1Char(m_current->command.letter));
        for (const auto& f : m_current->command.fields)
            sofar += QString::fromLatin1(f) + QLatin1Char(',');
        m_errors << QStringLiteral("\"%1%2\" was left unfinished")
                        .arg(sofar, QString::fromLatin1(m_current->field));
        m_current.reset();
    }
}

std::optional<TimePoint> CommandReader::nextDeadline() const
{
    if (!m_current)
        return std::nullopt;
    if (m_current->shape.bare && m_current->parameterChars == 0)
        return m_current->command.started + kBareGap;
    return m_current->lastAt + kAbandonAfter;
}

void CommandReader::feed(char c, TimePoint at, std::vector<Command>& done)
{
    advanceTo(at, done);
    // Line ends are no part of any command; they come from people typing in a terminal.
    if (c == '\r' || c == '\n')
        return;
    if (!m_current) {
        if (const auto shape = shapeOf(c))
            startCommand(c, *shape, at, done);
        else if (c != '+') // the modem's escape reaches the far end during its guard time
            m_errors << QStringLiteral("stray character \"%1\" (0x%2) outside a command")
                            .arg(QString::fromLatin1(&c, 1))
                            .arg(uchar(c), 2, 16, QLatin1Char('0'));
        return;
    }
    auto& p = *m_current;
    if (m_strict && at - p.lastAt < kParameterPace)
        m_violations.push_back(
            PacingViolation{p.command.letter, p.parameterChars, at - p.lastAt, at});
    ++p.parameterChars;
    p.lastAt = at;
    if (c != ',') {
        p.field += c;
        return;
    }
    p.command.fields.append(std::exchange(p.field, {}));
    if (p.needed == kByFirstField)
        p.needed = fieldsAfterFirst(p.command.letter, p.command.fields.front());
    if (p.command.fields.size() >= p.needed)
        finish(at, false, done);
}

} // namespace korvelan::sim
