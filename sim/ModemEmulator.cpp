#include "sim/ModemEmulator.h"

#include "sim/LoggerEmulator.h"

namespace korvelan::sim {

ModemEmulator::ModemEmulator(TimePoint start, std::shared_ptr<PhoneNetwork> network)
    : m_network(network ? std::move(network) : std::make_shared<PhoneNetwork>()), m_lastData(start),
      m_lastPlus(start)
{}

void ModemEmulator::portClosed(TimePoint at)
{
    advance(at);
    m_dialDone.reset();
    m_line.clear();
    hangUp();
}

void ModemEmulator::result(const QByteArray& text, TimePoint at)
{
    const QByteArray code = "\r\n" + text + "\r\n";
    if (m_splitAt <= 0 || m_splitAt >= code.size()) {
        m_output.push(code, at + kResponseDelay);
        return;
    }
    m_output.push(code.left(m_splitAt), at + kResponseDelay);
    m_output.push(code.mid(m_splitAt), at + kResponseDelay + m_splitGap);
}

void ModemEmulator::receive(const QByteArray& bytes, TimePoint at)
{
    advance(at);
    m_trace.record(Direction::ToDevice, bytes, at);
    for (const char c : bytes) {
        switch (m_mode) {
        case Mode::Command:
        case Mode::OnlineCommand:
            commandByte(c, at);
            break;
        case Mode::Dialling:
            // The LF of a terminal that ends its lines with CR LF is no key press.
            if (c == '\n')
                break;
            // Any key given while the call is set up abandons it.
            m_dialDone.reset();
            m_mode = Mode::Command;
            result("NO CARRIER", at);
            break;
        case Mode::Data:
            dataByte(c, at);
            break;
        }
    }
}

void ModemEmulator::commandByte(char c, TimePoint at)
{
    if (m_echo)
        m_output.push(QByteArray(1, c), at);
    if (c == '\n')
        return;
    if (c == '\b' || c == 0x7f) {
        m_line.chop(1);
        return;
    }
    if (c != '\r') {
        // Until an "A" comes the modem waits for a command: nothing before it is part of one
        // (the "+++" of an escape typed when no call was up, for instance).
        if (m_line.isEmpty() && c != 'A' && c != 'a')
            return;
        if (m_line.size() < kMaxLine)
            m_line += c;
        return;
    }
    const QByteArray line = std::exchange(m_line, {}).trimmed();
    if (!line.isEmpty())
        runCommandLine(line, at);
}

void ModemEmulator::dataByte(char c, TimePoint at)
{
    // "+++" counts only with a guard time of silence before it and "+" close together.
    if (c == '+' && ((m_plusCount == 0 && at - m_lastData >= kGuardTime) ||
                     (m_plusCount > 0 && m_plusCount < 3 && at - m_lastPlus < kGuardTime))) {
        ++m_plusCount;
        m_lastPlus = at;
        if (m_plusCount == 3)
            m_escapeAt = at + kGuardTime;
    } else {
        m_plusCount = 0;
        m_escapeAt.reset();
    }
    m_lastData = at;
    // The "+" go to the far end too: until the guard time has passed they are data.
    if (m_station)
        m_station->receive(QByteArray(1, c), at);
}

void ModemEmulator::runCommandLine(const QByteArray& line, TimePoint at)
{
    m_commandLines.append(QString::fromLatin1(line));
    const QByteArray upper = line.toUpper();
    if (!upper.startsWith("AT"))
        return; // not for the modem
    qsizetype i = 2;
    const auto digit = [&upper, &i](int fallback) {
        if (i < upper.size() && std::isdigit(static_cast<unsigned char>(upper.at(i))))
            return upper.at(i++) - '0';
        return fallback;
    };
    QByteArray info;
    while (i < upper.size()) {
        const char c = upper.at(i++);
        switch (c) {
        case ' ':
            break;
        case 'E':
            m_echo = digit(0) != 0;
            break;
        case 'X':
            m_xLevel = digit(0);
            break;
        case 'I':
            info += "\r\n" + (digit(0) == 3 ? kIdentification : QByteArrayLiteral("9600")) + "\r\n";
            break;
        case 'H':
            digit(0);
            hangUp();
            break;
        case 'Z':
            digit(0);
            hangUp();
            m_echo = true;
            m_xLevel = 4;
            break;
        case 'O':
            digit(0);
            if (m_mode != Mode::OnlineCommand) {
                result("NO CARRIER", at);
                return;
            }
            m_mode = Mode::Data;
            m_lastData = at;
            result(kConnect, at);
            return;
        case 'D':
            if (!info.isEmpty())
                m_output.push(info, at + kResponseDelay);
            // The rest of the line is the number (the original spelling keeps its case).
            dial(line.mid(i), at);
            return;
        case 'V':
        case 'Q':
        case 'L':
        case 'M':
        case '&':
            digit(0);
            break;
        case 'S':
            while (i < upper.size() && (std::isdigit(static_cast<unsigned char>(upper.at(i))) ||
                                        upper.at(i) == '=' || upper.at(i) == '?'))
                ++i;
            break;
        default:
            if (!info.isEmpty())
                m_output.push(info, at + kResponseDelay);
            result("ERROR", at);
            return;
        }
    }
    if (!info.isEmpty())
        m_output.push(info, at + kResponseDelay);
    result("OK", at);
}

void ModemEmulator::dial(const QByteArray& number, TimePoint at)
{
    if (m_mode != Mode::Command) {
        result("ERROR", at);
        return;
    }
    m_dialled = QString::fromLatin1(number).trimmed();
    m_mode = Mode::Dialling;
    m_dialDone = at + kDialTime + kCommaPause * number.count(',');
    if (m_network->ringsOut(m_dialled))
        *m_dialDone += kRingTime;
}

void ModemEmulator::finishDial(TimePoint at)
{
    m_dialDone.reset();
    m_mode = Mode::Command;
    const PhoneNetwork::Call call = m_network->place(m_dialled);
    if (call.answer != Answer::Connects) {
        result(call.answer == Answer::Busy ? "BUSY" : "NO CARRIER", at);
        return;
    }
    m_station = call.logger;
    m_mode = Mode::Data;
    m_lastData = at;
    m_plusCount = 0;
    // The logger was on its own until now: what it said to nobody is gone.
    m_station->take(at);
    if (call.dropAfter)
        m_station->setDropAfterBytes(*call.dropAfter);
    result(kConnect, at);
}

void ModemEmulator::hangUp()
{
    // A drop meant for this call does not wait for the next one.
    if (m_station) {
        m_station->setDropAfterBytes(std::nullopt);
        m_network->hangUp(m_station);
    }
    m_station = nullptr;
    m_escapeAt.reset();
    m_plusCount = 0;
    m_mode = Mode::Command;
}

void ModemEmulator::advance(TimePoint now)
{
    if (m_dialDone && *m_dialDone <= now)
        finishDial(*m_dialDone);
    if (m_escapeAt && *m_escapeAt <= now) {
        const TimePoint at = *m_escapeAt;
        m_escapeAt.reset();
        m_plusCount = 0;
        m_mode = Mode::OnlineCommand;
        result("OK", at - kResponseDelay);
    }
}

QByteArray ModemEmulator::take(TimePoint now)
{
    advance(now);
    QByteArray out = m_output.take(now, &m_trace);
    if (m_station) {
        const QByteArray far = m_station->take(now);
        // While escaped to command mode the modem does not pass on what the far end says.
        if (m_mode == Mode::Data && !far.isEmpty()) {
            m_trace.record(Direction::FromDevice, far, now);
            out += far;
        }
        if (m_station->droppedBy(now)) {
            hangUp();
            result("NO CARRIER", now - kResponseDelay);
            out += m_output.take(now, &m_trace);
        }
    }
    return out;
}

std::optional<TimePoint> ModemEmulator::nextEvent() const
{
    std::optional<TimePoint> next = m_output.nextDue();
    const auto earliest = [&next](std::optional<TimePoint> t) {
        if (t && (!next || *t < *next))
            next = t;
    };
    earliest(m_dialDone);
    earliest(m_escapeAt);
    if (m_station)
        earliest(m_station->nextEvent());
    return next;
}

} // namespace korvelan::sim
