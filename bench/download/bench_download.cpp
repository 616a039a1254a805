// Memory download figures on real pseudo-terminals, through the serial port class, the real
// clock and the transport:
//  - throughput of a 100,000-line download against a plain read of the same stream;
//  - peak memory for a 1 MB and a 20 MB download;
//  - a 20 kB download from the logger emulator at 9600 baud against the line's own time;
//  - throughput with the link log's window open against no log at all.
#include "ProcessFigures.h"
#include "PtyLink.h"
#include "download/MemoryDownload.h"
#include "link/LinkLog.h"
#include "link/LoggedChannel.h"
#include "link/SerialChannel.h"
#include "link/Transport.h"
#include "sim/LoggerEmulator.h"

#include "windows/linklog/LinkLogWindow.h"

#include <QApplication>
#include <QTemporaryDir>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <time.h>
#include <unistd.h>

using namespace korvelan;
using namespace std::chrono;
using bench::statusKb;

namespace {

using Clk = steady_clock;

// Waits on the device side until the program's request is complete.
bool awaitRequest(int fd, const QByteArray& end)
{
    QByteArray got;
    while (!got.endsWith(end)) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 10000) <= 0)
            return false;
        char buf[256];
        const auto n = ::read(fd, buf, sizeof buf);
        if (n <= 0)
            return false;
        got.append(buf, n);
    }
    return true;
}

bool writeAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const auto n = ::write(fd, data, size);
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// A logger sending `bytes` of acquisition lines as fast as the terminal takes them, made up
// as it goes so the bench's own memory does not grow with the size.
struct StreamDevice
{
    qint64 lines = 0;
    qint64 bytes = 0;
    Clk::time_point started;

    void serve(int fd, qint64 target)
    {
        if (!awaitRequest(fd, "A0,")) {
            std::printf("the device saw no request\n");
            return;
        }
        started = Clk::now();
        QByteArray block;
        block.reserve(70000);
        char line[96];
        for (lines = 0; bytes < target; ++lines) {
            const int n = std::snprintf(line, sizeof line,
                                        "%07lld;05/12/2026 10:30:00;  1234.567;  2345.678;"
                                        "   -12.50;   13.2\r\n",
                                        static_cast<long long>(lines + 1));
            block.append(line, n);
            bytes += n;
            if (block.size() >= 65536) {
                writeAll(fd, block.constData(), static_cast<size_t>(block.size()));
                block.clear();
            }
        }
        block.append('\x03');
        writeAll(fd, block.constData(), static_cast<size_t>(block.size()));
    }
};

const char* outcomeText(DownloadOutcome outcome)
{
    switch (outcome) {
    case DownloadOutcome::Completed:
        return "completed";
    case DownloadOutcome::Cancelled:
        return "cancelled";
    case DownloadOutcome::TimedOut:
        return "timed out";
    case DownloadOutcome::LineLost:
        return "line lost";
    case DownloadOutcome::FileError:
        return "file error";
    }
    return "?";
}

struct Download
{
    DownloadResult result;
    double seconds = 0;    // from the device's first byte to the end
    double cpuSeconds = 0; // the program's own thread, which does all of the receiving
    qint64 bytes = 0;
};

double threadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// The program's link as it runs with the link log: the serial port seen through the log, and
// the log's window open on the screen.
struct LoggedPtyLink
{
    test::Pty pty;
    LoggerSession session;
    RealClock clock;
    SerialChannel serial;
    LinkLog log{clock};
    LoggedChannel channel{serial, log};
    test::ScriptedPrompter prompter;
    Transport transport{session, channel, clock, prompter, [this](int) { return pty.slavePath(); }};
    LinkLogWindow window{log, prompter};

    bool open(QString* error)
    {
        session.Porta = 1;
        session.PortaSempreAperta = true;
        channel.setPortName(pty.slavePath());
        window.show();
        return pty.isValid() && channel.open(LineSettings{}, error);
    }
};

template <typename Link = test::PtyLink> Download engineDownload(qint64 target, const QString& path)
{
    Link link;
    QString error;
    Download out;
    if (!link.open(&error)) {
        std::printf("cannot open the terminal: %s\n", qPrintable(error));
        return out;
    }
    StreamDevice device;
    std::thread logger([&] { device.serve(link.pty.masterFd(), target); });
    MemoryDownload download(link.transport);
    const double cpu = threadCpuSeconds();
    out.result = download.run(path, std::nullopt, WhenTaken::Replace);
    const auto end = Clk::now();
    out.cpuSeconds = threadCpuSeconds() - cpu;
    logger.join();
    out.seconds = duration<double>(end - device.started).count();
    out.bytes = device.bytes + 1;
    return out;
}

Download plainRead(qint64 target, const QString& path)
{
    test::Pty pty;
    Download out;
    const int fd = ::open(qPrintable(pty.slavePath()), O_RDWR | O_NOCTTY);
    const int file = ::open(qPrintable(path), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || file < 0)
        return out;
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    tcsetattr(fd, TCSANOW, &tio);
    StreamDevice device;
    std::thread logger([&] { device.serve(pty.masterFd(), target); });
    writeAll(fd, "A0,", 3);
    char buf[65536];
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 10000) <= 0)
            break;
        const auto n = ::read(fd, buf, sizeof buf);
        if (n <= 0)
            break;
        const void* etx = std::memchr(buf, '\x03', static_cast<size_t>(n));
        const auto keep = etx ? static_cast<const char*>(etx) - buf : n;
        writeAll(file, buf, static_cast<size_t>(keep));
        out.bytes += n;
        if (etx)
            break;
    }
    const auto end = Clk::now();
    logger.join();
    ::close(file);
    ::close(fd);
    out.seconds = duration<double>(end - device.started).count();
    return out;
}

// 7 MB (just over 100,000 lines) each way, three runs each, interleaved; the best run of
// each counts, so a busy moment of the machine does not decide the ratio.
template <typename First, typename Second>
std::pair<Download, Download> bestOfThree(First first, Second second)
{
    Download a;
    Download b;
    for (int i = 0; i < 3; ++i) {
        const auto x = first();
        const auto y = second();
        if (i == 0 || x.seconds < a.seconds)
            a = x;
        if (i == 0 || y.seconds < b.seconds)
            b = y;
    }
    return {a, b};
}

double rate(const Download& d)
{
    return double(d.bytes) / d.seconds / 1e6;
}

constexpr qint64 kThroughputBytes = 7'000'000;

void throughput(const QTemporaryDir& dir)
{
    const auto [plain, engine] =
        bestOfThree([&] { return plainRead(kThroughputBytes, dir.filePath("plain.txt")); },
                    [&] { return engineDownload(kThroughputBytes, dir.filePath("engine.txt")); });
    std::printf("plain read: %lld bytes in %.3f s, %.1f MB/s\n",
                static_cast<long long>(plain.bytes), plain.seconds, rate(plain));
    std::printf("download: %lld lines, %lld bytes in %.3f s, %.1f MB/s, %s\n",
                static_cast<long long>(engine.result.lines),
                static_cast<long long>(engine.result.bytes), engine.seconds, rate(engine),
                outcomeText(engine.result.outcome));
    std::printf("throughput ratio download/plain: %.2f (target >= 0.5)\n",
                rate(engine) / rate(plain));
}

void withLinkLog(const QTemporaryDir& dir)
{
    // On a shared machine the wall time of a short transfer says more about the neighbours than
    // about the log: the log's cost is the CPU time it adds to the thread that receives.
    Download bare;
    Download logged;
    for (int i = 0; i < 5; ++i) {
        const auto b = engineDownload(kThroughputBytes, dir.filePath("bare.txt"));
        const auto l = engineDownload<LoggedPtyLink>(kThroughputBytes, dir.filePath("logged.txt"));
        if (i == 0 || b.cpuSeconds < bare.cpuSeconds)
            bare = b;
        if (i == 0 || l.cpuSeconds < logged.cpuSeconds)
            logged = l;
    }
    std::printf("download without a log: %.1f MB per CPU second (%.1f MB/s); with the link log "
                "window open: %.1f MB per CPU second (%.1f MB/s), %s\n",
                double(bare.bytes) / bare.cpuSeconds / 1e6, rate(bare),
                double(logged.bytes) / logged.cpuSeconds / 1e6, rate(logged),
                outcomeText(logged.result.outcome));
    std::printf("throughput ratio logged/unlogged, by CPU time: %.2f (target >= 0.9)\n",
                bare.cpuSeconds / logged.cpuSeconds);
}

void memory(const QTemporaryDir& dir)
{
    const auto small = engineDownload(1'000'000, dir.filePath("m1.txt"));
    const long hwm1 = statusKb("VmHWM");
    const long rss1 = statusKb("VmRSS");
    const auto large = engineDownload(20'000'000, dir.filePath("m20.txt"));
    const long hwm20 = statusKb("VmHWM");
    const long rss20 = statusKb("VmRSS");
    std::printf("1 MB download: %lld lines, %s, VmHWM %ld kB, VmRSS %ld kB\n",
                static_cast<long long>(small.result.lines), outcomeText(small.result.outcome), hwm1,
                rss1);
    std::printf("20 MB download: %lld lines, %s, VmHWM %ld kB, VmRSS %ld kB\n",
                static_cast<long long>(large.result.lines), outcomeText(large.result.outcome),
                hwm20, rss20);
    std::printf("peak memory growth 1 MB -> 20 MB: %.2f MB (target < 5 MB)\n",
                double(hwm20 - hwm1) / 1024.0);
}

// The emulator on the device side of a terminal, on real time and at its 9600-baud pace.
void paced(const QTemporaryDir& dir)
{
    test::PtyLink link;
    sim::LoggerEmulator emulator(Clk::now(), QDateTime(QDate(2026, 12, 5), QTime(12, 0)));
    emulator.setAcquiring(false, Clk::now());
    emulator.setPace(sim::Pace::Baud9600);
    QStringList lines;
    qint64 bytes = 1; // ETX
    for (int i = 0; bytes < 20000; ++i) {
        lines.prepend(emulator.acquisitionLine(
            QDateTime(QDate(2026, 12, 5), QTime(11, 0)).addSecs(-600 * i)));
        bytes += lines.first().size() + 2;
    }
    emulator.setMemoryLines(lines);

    std::atomic<bool> done{false};
    std::thread host([&] {
        const int fd = link.pty.masterFd();
        while (!done) {
            auto wait = milliseconds(20);
            if (const auto next = emulator.nextEvent())
                wait = std::clamp(duration_cast<milliseconds>(*next - Clk::now()) + milliseconds(1),
                                  milliseconds(0), milliseconds(20));
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(wait.count())) > 0) {
                char buf[256];
                const auto n = ::read(fd, buf, sizeof buf);
                if (n > 0)
                    emulator.receive(QByteArray(buf, n), Clk::now());
            }
            const QByteArray out = emulator.take(Clk::now());
            if (!out.isEmpty())
                writeAll(fd, out.constData(), static_cast<size_t>(out.size()));
        }
    });

    if (!link.open()) {
        done = true;
        host.join();
        return;
    }
    MemoryDownload download(link.transport);
    std::optional<Duration> requested;
    download.setProgressHandler([&](const DownloadProgress& p) {
        if (!requested)
            requested = p.elapsed;
    });
    const auto result = download.run(dir.filePath("paced.txt"), std::nullopt);
    done = true;
    host.join();
    const double taken = duration<double>(result.elapsed - requested.value_or(Duration{})).count();
    const double line = double(bytes) * 10.0 / 9600.0;
    std::printf("9600 baud: %lld lines, %lld bytes in %.3f s; line time %.3f s; "
                "excess %.2f %% (target within 2 %%)\n",
                static_cast<long long>(result.lines), static_cast<long long>(result.bytes), taken,
                line, (taken / line - 1.0) * 100.0);
}

} // namespace

int main(int argc, char** argv)
{
    // The log's window needs a screen; without one it is drawn off-screen all the same.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") && !qEnvironmentVariableIsSet("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const bool skipPaced = argc > 1 && std::strcmp(argv[1], "--no-paced") == 0;
    memory(dir);
    throughput(dir);
    withLinkLog(dir);
    if (!skipPaced)
        paced(dir);
    return 0;
}
