#include "link/Clock.h"

#include "link/Channel.h"

#include <QEventLoop>
#include <QScopedValueRollback>
#include <QTimer>

#include <thread>

#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace korvelan {

namespace {

int msUntil(TimePoint deadline, TimePoint now)
{
    using namespace std::chrono;
    if (deadline <= now)
        return 0;
    // Round up so the timer never fires before the deadline.
    const auto ms = duration_cast<milliseconds>(deadline - now + milliseconds(1) - nanoseconds(1));
    return static_cast<int>(std::min<milliseconds::rep>(ms.count(), 24 * 3600 * 1000));
}

} // namespace

TimePoint RealClock::now() const
{
    return std::chrono::steady_clock::now();
}

void RealClock::waitWithEvents(TimePoint deadline, Channel* wake)
{
    const auto t = now();
    if (t >= deadline)
        return;
    if (wake && !wake->isOpen())
        return;

    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    if (wake) {
        connect(wake, &Channel::inputArrived, &loop, &QEventLoop::quit);
        connect(wake, &Channel::lost, &loop, &QEventLoop::quit);
    }
    timer.start(msUntil(deadline, t));
    QScopedValueRollback<QEventLoop*> current(m_loop, &loop);
    loop.exec(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void RealClock::waitBlocking(TimePoint deadline)
{
    // Qt timers have millisecond granularity: the window keeps painting through a timer that
    // ends a little before the deadline, and a short sleep of the thread takes the rest, so
    // the wait is never shorter than asked and hardly longer.
    using namespace std::chrono;
    for (auto t = now(); deadline - t > milliseconds(2); t = now()) {
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        timer.setTimerType(Qt::PreciseTimer);
        connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        timer.start(static_cast<int>(duration_cast<milliseconds>(deadline - t).count()) - 1);
        loop.exec(QEventLoop::ExcludeUserInputEvents | QEventLoop::WaitForMoreEvents);
    }
#ifdef __linux__
    // The kernel may stretch a sleep by its timer slack (50 us by default); the pacing of
    // parameter characters wants the end of the wait close to what was asked.
    static const bool slackSet = prctl(PR_SET_TIMERSLACK, 1000UL) == 0;
    (void)slackSet;
#endif
    std::this_thread::sleep_until(deadline);
}

void RealClock::interrupt()
{
    if (m_loop)
        m_loop->quit();
}

} // namespace korvelan
