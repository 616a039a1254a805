#include "sim/OutputQueue.h"

namespace korvelan::sim {

TimePoint OutputQueue::freeAt(TimePoint at) const
{
    if (m_chunks.empty())
        return at;
    const auto& last = m_chunks.back();
    // The next byte may follow the last one by one character time.
    const auto end = last.dueOf(last.bytes.size() - 1) + last.step;
    return std::max(at, end);
}

TimePoint OutputQueue::push(const QByteArray& bytes, TimePoint at)
{
    const TimePoint start = freeAt(at);
    if (!bytes.isEmpty())
        m_chunks.push_back(Chunk{start, charTime(m_pace), bytes});
    return start;
}

QByteArray OutputQueue::take(TimePoint now, WireTrace* trace)
{
    QByteArray out;
    while (!m_chunks.empty()) {
        auto& chunk = m_chunks.front();
        while (chunk.sent < chunk.bytes.size() && chunk.dueOf(chunk.sent) <= now) {
            const char c = chunk.bytes.at(chunk.sent);
            if (trace)
                trace->record(Direction::FromDevice, c, chunk.dueOf(chunk.sent));
            out += c;
            ++chunk.sent;
        }
        if (chunk.sent < chunk.bytes.size())
            break;
        m_chunks.pop_front();
    }
    return out;
}

void OutputQueue::cancelAfter(TimePoint at)
{
    while (!m_chunks.empty()) {
        auto& chunk = m_chunks.back();
        qsizetype keep = chunk.sent;
        while (keep < chunk.bytes.size() && chunk.dueOf(keep) <= at)
            ++keep;
        if (keep > 0) {
            chunk.bytes.truncate(keep);
            if (keep == chunk.sent)
                m_chunks.pop_back();
            // Earlier chunks went out before this one: nothing more to cut.
            return;
        }
        m_chunks.pop_back();
    }
}

std::optional<TimePoint> OutputQueue::nextDue() const
{
    if (m_chunks.empty())
        return std::nullopt;
    const auto& front = m_chunks.front();
    return front.dueOf(front.sent);
}

} // namespace korvelan::sim
