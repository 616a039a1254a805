#include "collect/FleetQueue.h"

#include <QDir>

namespace korvelan {

namespace {

// An earlier attempt, as the summary tells it.
QString attemptText(int number, const LoggerReport& r)
{
    QString text = QStringLiteral("attempt %1: %2").arg(number).arg(r.result);
    if (!r.file.isEmpty())
        text += QStringLiteral(" (partial file %1)").arg(QDir::toNativeSeparators(r.file));
    return text;
}

} // namespace

FleetQueue::FleetQueue(QList<Job> jobs, QList<int> modems, int retries, Duration retryAfter)
    : m_modems(std::move(modems)), m_retries(retries), m_retryAfter(retryAfter)
{
    for (qsizetype i = 0; i < jobs.size(); ++i) {
        Entry entry;
        entry.job = jobs[i];
        m_entries << entry;
        m_order << int(i);
    }
    endJobsNoModemCanTake();
}

bool FleetQueue::mayTake(int worker, const Entry& e) const
{
    return e.job.owner == worker || (e.job.owner == kAnyModem && m_modems.contains(worker));
}

FleetQueue::Next FleetQueue::next(int worker, TimePoint now)
{
    if (stopped())
        return {std::nullopt, std::nullopt, true};
    std::optional<TimePoint> soonest;
    for (const int index : m_order) {
        Entry& e = m_entries[index];
        if (!mayTake(worker, e))
            continue;
        if (e.due <= now) {
            m_order.removeOne(index);
            e.state = State::Running;
            ++e.attempts;
            if (!e.lastText.isEmpty())
                e.earlier << std::exchange(e.lastText, {});
            return {index, std::nullopt, false};
        }
        if (!soonest || e.due < *soonest)
            soonest = e.due;
    }
    if (soonest)
        return {std::nullopt, soonest, false};
    // A station another modem is calling may come back (a retry, a modem taken out).
    const bool mayComeBack = std::any_of(m_entries.cbegin(), m_entries.cend(), [&](const Entry& e) {
        return e.state == State::Running && mayTake(worker, e);
    });
    return {std::nullopt, std::nullopt, !mayComeBack};
}

bool FleetQueue::finished(int worker, int job, LoggerReport report, TimePoint now)
{
    Entry& e = m_entries[job];
    const bool keep = !report.modemFailed;
    if (!keep)
        m_modems.removeAll(worker);
    if (report.hungUp && !*report.hungUp)
        e.hungUpAll = false;
    const bool called = report.hungUp.has_value();
    if (e.last)
        report.seconds += e.last->seconds;
    e.state = State::Done;
    if (!report.collected && !stopped()) {
        if (!keep && !called && !m_modems.isEmpty()) {
            // The station was never reached: it goes back to the head of the queue, as it was.
            e.lastText = report.result + QStringLiteral(" (that modem left the pool)");
            --e.attempts;
            e.state = State::Waiting;
            e.due = now;
            m_order.prepend(job);
        } else if (report.retryable && e.attempts <= m_retries) {
            e.lastText = attemptText(e.attempts, report);
            e.state = State::Waiting;
            e.due = now + m_retryAfter;
            m_order.append(job);
        }
    }
    e.last = std::move(report);
    if (!keep)
        endJobsNoModemCanTake();
    return keep;
}

void FleetQueue::endJobsNoModemCanTake()
{
    if (!m_modems.isEmpty())
        return;
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        Entry& e = m_entries[i];
        if (e.state != State::Waiting || e.job.owner != kAnyModem)
            continue;
        e.state = State::Done;
        m_order.removeOne(int(i));
        if (e.last)
            continue; // its last attempt says why
        e.last = LoggerReport{};
        e.last->via = e.job.via;
        e.last->result = QStringLiteral("not collected: no modem left to call it");
    }
}

void FleetQueue::stop(const QString& why)
{
    if (m_stopReason.isEmpty())
        m_stopReason = why;
}

QList<LoggerReport> FleetQueue::reports() const
{
    QList<LoggerReport> reports;
    for (const Entry& e : m_entries) {
        if (!e.last) {
            LoggerReport r;
            r.via = e.job.via;
            r.cable = e.job.owner != kAnyModem;
            r.attempts = 0;
            r.result =
                QStringLiteral("not collected: stopped by %1 before its turn").arg(m_stopReason);
            reports << r;
            continue;
        }
        LoggerReport r = *e.last;
        r.attempts = e.attempts;
        if (!e.hungUpAll)
            r.hungUp = false;
        if (e.attempts > 1)
            r.notes << QStringLiteral("on attempt %1").arg(e.attempts);
        r.notes << e.earlier;
        if (e.state == State::Waiting)
            r.notes << QStringLiteral("not tried again: stopped by %1").arg(m_stopReason);
        reports << r;
    }
    return reports;
}

} // namespace korvelan
