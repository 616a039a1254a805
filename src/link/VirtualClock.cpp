#include "link/VirtualClock.h"

#include "link/Channel.h"

#include <QCoreApplication>

namespace korvelan {

VirtualClock::VirtualClock(QObject* parent)
    : Clock(parent), m_start(std::chrono::hours(1000)), m_now(m_start)
{}

std::optional<TimePoint> VirtualClock::nextSourceEvent() const
{
    std::optional<TimePoint> next;
    for (const auto& source : m_sources) {
        const auto t = source();
        if (t && (!next || *t < *next))
            next = t;
    }
    return next;
}

void VirtualClock::waitWithEvents(TimePoint deadline, Channel* wake)
{
    ++m_waitsWithEvents;
    m_interrupted = false;
    const qint64 waiting = wake ? wake->bytesWaiting() : 0;
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (m_onStep)
            m_onStep();
        if (m_interrupted || m_now >= deadline)
            break;
        if (wake && (wake->bytesWaiting() > waiting || !wake->isOpen()))
            break;
        // Step to the next source event, or to the deadline when there is none before it (or
        // when a due event produced nothing: nothing can change before the deadline then).
        const auto next = nextSourceEvent();
        m_now = (next && *next > m_now && *next < deadline) ? *next : deadline;
    }
    m_interrupted = false;
}

void VirtualClock::waitBlocking(TimePoint deadline)
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (deadline > m_now)
        m_now = deadline;
}

} // namespace korvelan
