#pragma once

#include "collect/CollectReport.h"
#include "link/Clock.h"

#include <QList>
#include <QString>
#include <optional>

namespace korvelan {

// Who collects what in a run, and in what order: the stations shared out among the modems
// of a pool, one call per modem at a time, a cable only by its own worker; the stations that
// failed for a reason that may pass (busy, no answer, a dropped call, a time limit) tried again
// after the others; a modem that cannot be used taken out, and its station given back.
//
// No time of its own and no threads: the pool asks it under its lock, with the time.
class FleetQueue
{
public:
    // A logger of the run, in the order of the summary.
    struct Job
    {
        QString via;
        int owner = kAnyModem; // the worker that alone may collect it (a cable's)
    };
    static constexpr int kAnyModem = -1;

    struct Next
    {
        std::optional<int> job;         // collect this one now
        std::optional<TimePoint> until; // or wait, at most until then (none: until a change)
        bool done = false;              // or end: nothing is left for this worker
    };

    // `modems`: the workers that call stations.
    FleetQueue(QList<Job> jobs, QList<int> modems, int retries, Duration retryAfter);

    Next next(int worker, TimePoint now);
    // The attempt `report` of `job` by `worker` ended. False when the worker leaves the pool
    // (its modem could not be used).
    bool finished(int worker, int job, LoggerReport report, TimePoint now);
    // Nothing new starts; the jobs not started are reported as such.
    void stop(const QString& why);
    [[nodiscard]] bool stopped() const { return !m_stopReason.isEmpty(); }

    // One report per job, in the jobs' order, once every worker is done.
    [[nodiscard]] QList<LoggerReport> reports() const;

private:
    enum class State { Waiting, Running, Done };
    struct Entry
    {
        Job job;
        State state = State::Waiting;
        TimePoint due{};
        std::optional<LoggerReport> last;
        int attempts = 0;
        QStringList earlier; // what became of the attempts before the last
        QString lastText;    // the last one, told once another follows it
        bool hungUpAll = true;
    };
    [[nodiscard]] bool mayTake(int worker, const Entry& e) const;
    void endJobsNoModemCanTake();

    QList<Entry> m_entries;
    QList<int> m_order; // the jobs waiting, in the order they are offered
    QList<int> m_modems;
    int m_retries;
    Duration m_retryAfter;
    QString m_stopReason;
};

} // namespace korvelan
