#include "ScriptedPeer.h"

namespace korvelan::test {

void ScriptedPeer::receive(const QByteArray& data, TimePoint at)
{
    for (const char c : data)
        bytes.append({c, at});
    if (onReceive)
        onReceive(data, at);
}

QByteArray ScriptedPeer::take(TimePoint now)
{
    QByteArray out;
    auto it = m_pending.begin();
    while (it != m_pending.end() && it->first <= now) {
        out += it->second;
        it = m_pending.erase(it);
    }
    return out;
}

std::optional<TimePoint> ScriptedPeer::nextEvent() const
{
    std::optional<TimePoint> next;
    if (!m_pending.empty())
        next = m_pending.begin()->first;
    if (m_drop && (!next || *m_drop < *next))
        next = m_drop;
    return next;
}

QByteArray ScriptedPeer::received() const
{
    QByteArray out;
    for (const auto& b : bytes)
        out += b.value;
    return out;
}

} // namespace korvelan::test
