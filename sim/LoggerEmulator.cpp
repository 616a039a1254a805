#include "sim/LoggerEmulator.h"

#include "link/NumberForms.h"
#include "sim/CommandForms.h"
#include "sim/ReplyFields.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace korvelan::sim {

using namespace std::chrono;
using namespace fields;

namespace {

QDateTime wholeSecondUp(QDateTime t)
{
    const int ms = t.time().msec();
    return ms == 0 ? t : t.addMSecs(1000 - ms);
}

} // namespace

LoggerEmulator::LoggerEmulator(TimePoint start, const QDateTime& wallAtStart,
                               LoggerSettings settings)
    : m_settings(std::move(settings)), m_clockBase(start), m_lastSeen(start)
{
    m_wallBase = QDateTime(wallAtStart.date(), wallAtStart.time(), Qt::UTC);
    reschedule(start, false);
}

// --- the line ---------------------------------------------------------------------------------

void LoggerEmulator::see(TimePoint now)
{
    m_lastSeen = std::max(m_lastSeen, now);
    advanceTo(now);
}

void LoggerEmulator::protocolErrors(const QStringList& errors)
{
    m_protocolErrors += errors;
    if (m_onProtocolError) {
        for (const auto& e : errors)
            m_onProtocolError(e);
    }
}

void LoggerEmulator::advanceTo(TimePoint now)
{
    std::vector<Command> done;
    m_reader.advanceTo(now, done);
    protocolErrors(m_reader.takeErrors());
    for (const auto& c : done)
        execute(c);
    takeDueAcquisitions(now);
}

void LoggerEmulator::receive(const QByteArray& bytes, TimePoint at)
{
    see(at);
    m_trace.record(Direction::ToDevice, bytes, at);
    if (lineDown(at))
        return;
    std::vector<Command> done;
    for (const char c : bytes) {
        // A new command cuts short whatever the logger was still saying; noise does not.
        if (!m_reader.isReading() && shapeOf(c))
            m_output.cancelAfter(at);
        m_reader.feed(c, at, done);
        protocolErrors(m_reader.takeErrors());
        for (const auto& command : done)
            execute(command);
        done.clear();
    }
}

QByteArray LoggerEmulator::take(TimePoint now)
{
    if (m_dropSeen) {
        // The drop was noticed on the other side; whoever opens the line next finds it up.
        m_dropAt.reset();
        m_dropSeen = false;
        m_output.clear();
        m_reader.reset();
    }
    see(now);
    return m_output.take(now, &m_trace);
}

std::optional<TimePoint> LoggerEmulator::nextEvent() const
{
    std::optional<TimePoint> next = m_output.nextDue();
    const auto earliest = [&next](std::optional<TimePoint> t) {
        if (t && (!next || *t < *next))
            next = t;
    };
    earliest(m_reader.nextDeadline());
    if (m_dropAt && !m_dropSeen && *m_dropAt > m_lastSeen)
        earliest(m_dropAt);
    return next;
}

bool LoggerEmulator::droppedBy(TimePoint now) const
{
    if (!lineDown(now))
        return false;
    m_dropSeen = true;
    return true;
}

void LoggerEmulator::setGarbage(int command, QByteArray junk)
{
    m_garbageCommand = command;
    m_garbage = std::move(junk);
}

void LoggerEmulator::setReplyFault(ReplyFault fault, QByteArray junk)
{
    m_replyFault = fault;
    m_replyFaultJunk = std::move(junk);
    m_replyFaultDone = false;
}

QByteArray LoggerEmulator::withReplyFault(char letter, const QByteArray& row)
{
    if (!m_replyFault || row.isEmpty() || (m_replyFault->letter && m_replyFault->letter != letter))
        return row;
    if (--m_replyFault->reply > 0)
        return row;
    const ReplyFault fault = *m_replyFault;
    m_replyFault.reset();
    qsizetype start = 0;
    for (int i = 0; i < fault.field; ++i) {
        start = row.indexOf(',', start);
        if (start < 0)
            return row;
        ++start;
    }
    const qsizetype end = row.indexOf(',', start);
    if (end < 0)
        return row;
    m_replyFaultDone = true;
    if (fault.kind == ReplyFault::Kind::Silent)
        return row.left(start);
    return row.left(start) + m_replyFaultJunk + row.mid(end);
}

void LoggerEmulator::reply(const QByteArray& bytes, TimePoint at)
{
    if (bytes.isEmpty() || lineDown(at))
        return;
    QByteArray out = bytes;
    const qint64 number = m_commandCount;
    if (m_garbageCommand && (*m_garbageCommand == 0 || *m_garbageCommand == number)) {
        out.insert(out.size() / 2, m_garbage);
        if (*m_garbageCommand != 0)
            m_garbageCommand.reset();
    }
    if (m_dropBudget && out.size() >= *m_dropBudget) {
        out.truncate(*m_dropBudget);
        const TimePoint start = m_output.push(out, at);
        m_dropAt = start + charTime(m_output.pace()) * out.size();
        m_dropBudget.reset();
        return;
    }
    if (m_dropBudget)
        *m_dropBudget -= out.size();
    m_output.push(out, at);
}

// --- commands ---------------------------------------------------------------------------------

void LoggerEmulator::execute(const Command& command)
{
    ++m_commandCount;
    m_commands.append(command);
    if (m_historyLimit && m_commands.size() > *m_historyLimit)
        m_commands.remove(0, m_commands.size() - *m_historyLimit);
    if (m_silentFrom && m_commandCount >= *m_silentFrom)
        return;
    if (const auto error = formError(command)) {
        protocolErrors({*error});
        return;
    }
    const TimePoint at = command.completed + m_replyDelay;
    const char letter = command.letter;
    switch (letter) {
    case 'V':
        reply(kProbeReply, at);
        return;
    case 'A':
        switch (integer(command, 0)) {
        case 0:
            download(m_memory.lines(), at);
            return;
        case 1:
            download(m_memory.linesBetween(m_rangeStart, m_rangeEnd), at);
            return;
        case 2:
            m_rangeStart = wallToDate(command.fields, 1);
            return;
        case 3:
            m_rangeEnd = wallToDate(command.fields, 1);
            return;
        default:
            return;
        }
    case 'P':
        switch (integer(command, 1)) {
        case 0:
            replyReading(integer(command, 0), false, at);
            return;
        case 1:
            m_continuousRun = true;
            return;
        case 2:
            m_continuousRun = false;
            return;
        default:
            return;
        }
    case 'p':
        replyReading(integer(command, 0), false, at);
        return;
    case 't':
        replyReading(integer(command, 0), true, at);
        return;
    case 'G':
    case 'E':
    case 'H':
    case 'N':
    case 'T':
        if (command.bare) {
            reply(readCounted(letter, at), at);
            return;
        }
        break;
    default:
        break;
    }
    const bool writes =
        (std::islower(static_cast<unsigned char>(letter)) && letter != 'p' && letter != 't') ||
        letter == '[' || letter == '(' || ((letter == '<' || letter == '>') && !command.bare);
    if (writes)
        write(command);
    else
        reply(withReplyFault(letter, read(command, at)), at);
}

void LoggerEmulator::replyReading(int multiplexer, bool temperatures, TimePoint at)
{
    if (multiplexer < 0 || multiplexer >= kMultiplexers)
        return;
    // A logger about to fall silent gives the first channel of this reading and no more.
    const bool lastWords = m_readingsBeforeSilence && (*m_readingsBeforeSilence)-- <= 0;
    // Each channel is read in turn; its two fields go out as soon as it has been read.
    for (int i = 0; i < channelCount(multiplexer); ++i) {
        const int channel = kChannelsPerMultiplexer * multiplexer + i;
        const TimePoint ready = at + m_readingTime * (i + 1);
        const QDateTime wall = clockAt(ready);
        const QString value = temperatures ? padded(temperature(channel, wall), 1)
                                           : padded(reading(channel, wall), 3);
        reply(row({padded(i), value}), ready);
        if (lastWords)
            break;
    }
    if (lastWords) {
        m_readingsBeforeSilence.reset();
        m_silentFrom = static_cast<int>(m_commandCount + 1);
    }
}

void LoggerEmulator::download(const QStringList& lines, TimePoint at)
{
    QByteArray stream;
    for (const auto& line : lines)
        stream += line.toLatin1() + "\r\n";
    stream += kEndOfText;
    // A download that stops half way: the rest is never sent, later commands are answered.
    if (const auto cut = std::exchange(m_downloadCut, std::nullopt))
        stream.truncate(*cut);
    reply(stream, at);
}

// --- state ------------------------------------------------------------------------------------

int LoggerEmulator::channelCount(int multiplexer) const
{
    if (multiplexer < 0 || multiplexer >= kMultiplexers)
        return 0;
    return m_settings.channelCounts[multiplexer];
}

void LoggerEmulator::setChannelCount(int multiplexer, int count)
{
    if (multiplexer < 0 || multiplexer >= kMultiplexers || count < 0 ||
        count > kChannelsPerMultiplexer)
        return;
    m_settings.channelCounts[multiplexer] = count;
}

void LoggerEmulator::setAcquiring(bool on, TimePoint at)
{
    see(at);
    m_settings.acquiring = on;
    reschedule(at, true);
}

void LoggerEmulator::setTimer(AcquisitionTimer timer, TimePoint at)
{
    see(at);
    m_settings.timer = timer;
    reschedule(at, false);
}

void LoggerEmulator::setStartDate(const QDateTime& start, TimePoint at)
{
    see(at);
    m_settings.startDate = QDateTime(start.date(), start.time(), Qt::UTC);
    reschedule(at, true);
}

QDateTime LoggerEmulator::clockAt(TimePoint at) const
{
    return m_wallBase.addMSecs(duration_cast<milliseconds>(at - m_clockBase).count());
}

void LoggerEmulator::setClock(const QDateTime& wall, TimePoint at)
{
    see(at);
    m_wallBase = QDateTime(wall.date(), wall.time(), Qt::UTC);
    m_clockBase = at;
    reschedule(at, false);
}

void LoggerEmulator::eraseMemory()
{
    m_memory.erase();
}

void LoggerEmulator::reset(TimePoint at)
{
    m_settings = LoggerSettings::factory();
    m_continuousRun = false;
    m_rangeStart = m_rangeEnd = QDateTime();
    eraseMemory();
    reschedule(at, false);
}

// A start date still to come is when acquisitions begin; one already past means at once
// (when the switch or the start date has just been set) or one interval from now.
void LoggerEmulator::reschedule(TimePoint at, bool atOnceWhenPast)
{
    m_nextAcquisition = QDateTime();
    const auto interval = m_settings.timer.interval().count();
    if (!m_settings.acquiring || interval <= 0)
        return;
    const QDateTime now = wholeSecondUp(clockAt(at));
    if (m_settings.startDate > now)
        m_nextAcquisition = m_settings.startDate;
    else
        m_nextAcquisition = atOnceWhenPast ? now : now.addSecs(interval);
}

void LoggerEmulator::takeDueAcquisitions(TimePoint now)
{
    if (!m_nextAcquisition.isValid())
        return;
    const qint64 interval = m_settings.timer.interval().count();
    const QDateTime wallNow = clockAt(now);
    // At most one pass per free place: a long absence fills the memory and no more.
    while (m_nextAcquisition <= wallNow) {
        if (m_memory.isFull() && !m_memory.wrapping()) {
            const qint64 behind = m_nextAcquisition.secsTo(wallNow);
            m_nextAcquisition = m_nextAcquisition.addSecs((behind / interval + 1) * interval);
            break;
        }
        m_memory.append(Acquisition{m_nextAcquisition, acquisitionLine(m_nextAcquisition)});
        m_nextAcquisition = m_nextAcquisition.addSecs(interval);
    }
}

void LoggerEmulator::fillMemory(int n)
{
    const qint64 interval = std::max<qint64>(60, m_settings.timer.interval().count());
    QDateTime end = clockAt(m_lastSeen);
    end = end.addMSecs(-end.time().msec());
    for (int i = std::max(0, n) - 1; i >= 0 && (!m_memory.isFull() || m_memory.wrapping()); --i) {
        const QDateTime at = end.addSecs(-i * interval);
        m_memory.append(Acquisition{at, acquisitionLine(at)});
    }
}

// --- readings ---------------------------------------------------------------------------------

double LoggerEmulator::reading(int channel, const QDateTime& at) const
{
    if (const auto fixed = m_fixedReadings.constFind(channel); fixed != m_fixedReadings.cend())
        return *fixed;
    // A slow swing over about an hour and a quicker drift over about two minutes, so a
    // continuous reading shows values that move.
    const double seconds = static_cast<double>(at.toMSecsSinceEpoch()) / 1000.0;
    const double wobble = std::sin(seconds / 600.0 + channel);
    const double drift = std::sin(seconds / 20.0 + 2.0 * channel);
    if (validChannel(channel) && m_settings.vibratingWire[channel])
        return 2005.0 + (channel * 137) % 1190 + 3.0 * wobble + 2.0 * drift;
    const double volts = 0.4 + 0.15 * (channel % 12) + 0.01 * wobble + 0.04 * drift;
    const Calibration c = validChannel(channel) ? m_settings.calibrations[channel] : Calibration{};
    if (c.fullScaleVolt == c.zeroVolt)
        return volts;
    return (volts - c.zeroVolt) / (c.fullScaleVolt - c.zeroVolt) *
               (c.fullScalePhysical - c.zeroPhysical) +
           c.zeroPhysical;
}

double LoggerEmulator::temperature(int channel, const QDateTime& at) const
{
    if (const auto fixed = m_fixedTemperatures.constFind(channel);
        fixed != m_fixedTemperatures.cend())
        return *fixed;
    const double seconds = static_cast<double>(at.toMSecsSinceEpoch()) / 1000.0;
    return 18.0 + 0.1 * (channel & 15) + 2.0 * std::sin(seconds / 14400.0) +
           0.3 * std::sin(seconds / 30.0 + channel);
}

void LoggerEmulator::clearFixedValues()
{
    m_fixedReadings.clear();
    m_fixedTemperatures.clear();
}

QString LoggerEmulator::acquisitionLine(const QDateTime& at) const
{
    QString line = AcquisitionMemory::stamp(at);
    for (int m = 0; m < kMultiplexers; ++m)
        for (int i = 0; i < channelCount(m); ++i)
            line += QLatin1Char(',') +
                    QString::number(reading(kChannelsPerMultiplexer * m + i, at), 'f', 3);
    line += QLatin1Char(',') + QString::number(m_voltages.battery, 'f', 2);
    return line;
}

} // namespace korvelan::sim
