// Link figures on a real pseudo-terminal:
//  - CPU time the process uses while a field read waits 10 s on a silent line;
//  - the gaps between paced parameter characters, as the device side sees them.
#include "ProcessFigures.h"
#include "PtyLink.h"
#include "link/SerialChannel.h"
#include "link/Transport.h"

#include <QApplication>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace korvelan;
using namespace std::chrono;
using bench::cpuSeconds;

namespace {

// The wait a field read makes on a silent line, for 10 s instead of its 120 s limit.
void idleWait(Transport& transport, Clock& clock)
{
    transport.Invia_Comando(QStringLiteral("Q"), QString());
    const double cpu0 = cpuSeconds();
    const auto t0 = clock.now();
    transport.waitForInput(t0 + seconds(10));
    const double wall = duration<double>(clock.now() - t0).count();
    std::printf("idle wait: %.2f s wall, %.4f s CPU (target < 0.05 s)\n", wall,
                cpuSeconds() - cpu0);
}

void pacing(Transport& transport, test::Pty& pty)
{
    pty.read(4096, milliseconds(20)); // what the idle wait sent
    std::vector<steady_clock::time_point> stamps;
    stamps.reserve(256);
    std::atomic<bool> done{false};
    int merged = 0;
    std::thread reader([&] {
        // Stamps are taken when the reader wakes; a real-time priority (where allowed) keeps
        // a busy machine from delaying it and merging two characters into one read.
        sched_param param{};
        param.sched_priority = 50;
        const bool realtime = pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
        std::printf("reader priority: %s\n", realtime ? "real-time" : "normal");
        while (!done) {
            pollfd p{pty.masterFd(), POLLIN, 0};
            if (poll(&p, 1, 20) <= 0)
                continue;
            char buf[64];
            const auto n = ::read(pty.masterFd(), buf, sizeof buf);
            const auto now = steady_clock::now();
            if (n > 1)
                ++merged;
            for (ssize_t i = 0; i < n; ++i)
                stamps.push_back(now);
        }
    });
    transport.Invia_Comando(QStringLiteral("x"), QString(200, QLatin1Char('7')));
    std::this_thread::sleep_for(milliseconds(50));
    done = true;
    reader.join();
    std::vector<double> gaps;
    for (size_t i = 1; i < stamps.size(); ++i)
        gaps.push_back(duration<double, std::milli>(stamps[i] - stamps[i - 1]).count());
    if (gaps.empty()) {
        std::printf("pacing: no characters seen\n");
        return;
    }
    std::sort(gaps.begin(), gaps.end());
    if (merged > 0)
        std::printf("pacing: %d reads held more than one character (the reader was late)\n",
                    merged);
    std::printf("pacing over %zu gaps: median %.3f ms, smallest %.3f ms, largest %.3f ms "
                "(target: median <= 10.5 ms, none below 10 ms)\n",
                gaps.size(), gaps[gaps.size() / 2], gaps.front(), gaps.back());
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    test::PtyLink link;
    QString error;
    if (!link.open(&error)) {
        std::printf("no pseudo-terminal to open: %s\n", qPrintable(error));
        return 1;
    }
    QTimer::singleShot(0, [&] {
        idleWait(link.transport, link.clock);
        pacing(link.transport, link.pty);
        QApplication::quit();
    });
    return QApplication::exec();
}
