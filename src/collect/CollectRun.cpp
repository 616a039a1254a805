#include "collect/CollectRun.h"

#include "collect/CollectLock.h"
#include "collect/Collector.h"
#include "collect/FleetQueue.h"
#include "common/ComPortMap.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

namespace korvelan {

namespace {

TimePoint now()
{
    return std::chrono::steady_clock::now();
}

} // namespace

// A worker as the others reach it: its collector, and the wait it may be in, both in its
// own thread.
struct CollectRun::Live : QObject
{
    Collector* collector = nullptr;
    QEventLoop* waiting = nullptr;
    void wake()
    {
        if (waiting)
            waiting->quit();
    }
};

std::optional<QList<int>> stationRows(const StationTable& stations, const CollectOptions& options,
                                      QString* error)
{
    QList<int> rows;
    if (options.allStations) {
        for (int i = 0; i < kStations; ++i) {
            const Station& s = stations[size_t(i)];
            if (!s.Nome.trimmed().isEmpty() && !s.Telefono.trimmed().isEmpty())
                rows << i;
        }
        if (rows.isEmpty()) {
            *error = QStringLiteral("no station of the list has a name and a telephone number");
            return std::nullopt;
        }
        return rows;
    }
    for (const QString& wanted : options.stations) {
        const auto find = [&](Qt::CaseSensitivity cs) {
            for (int i = 0; i < kStations; ++i) {
                if (stations[size_t(i)].Nome.trimmed().compare(wanted.trimmed(), cs) == 0)
                    return i;
            }
            return -1;
        };
        int row = find(Qt::CaseSensitive);
        if (row < 0)
            row = find(Qt::CaseInsensitive);
        if (row < 0) {
            *error = QStringLiteral("the station \"%1\" is not in the station list").arg(wanted);
            return std::nullopt;
        }
        if (!rows.contains(row))
            rows << row;
    }
    return rows;
}

CollectRun::CollectRun(MakeCollector make) : m_make(std::move(make)) {}

CollectRun::~CollectRun() = default;

QList<LoggerReport> CollectRun::run(const CollectOptions& options, const ComPortMap& ports,
                                    const QString& programFolder, QString* error)
{
    QList<FleetQueue::Job> jobs;
    QList<int> modems;
    for (const auto& cable : options.cables) {
        const QString device = cable.device.isEmpty() ? ports.device(cable.port) : cable.device;
        jobs << FleetQueue::Job{device, int(m_workers.size())};
        m_workers << Worker{cable.port, device, false};
    }
    m_cables = jobs.size();
    if (options.overModem()) {
        m_files.emplace(programFolder);
        StationFiles::Loaded loaded = m_files->load();
        if (!loaded.complete) {
            *error = QStringLiteral("the station list %1 is missing or not complete (the "
                                    "program's modem window writes it whole with \"Save\")")
                         .arg(QDir::toNativeSeparators(m_files->modemPath()));
            return {};
        }
        QList<int> modemPorts = options.modems;
        if (modemPorts.isEmpty() && !loaded.port) {
            *error = QStringLiteral("no modem port is saved in %1 (find the modem once in the "
                                    "program's modem window, or give --modem)")
                         .arg(QDir::toNativeSeparators(m_files->portPath()));
            return {};
        }
        if (modemPorts.isEmpty())
            modemPorts << *loaded.port;
        const auto rows = stationRows(loaded.stations, options, error);
        if (!rows)
            return {};
        m_stations = loaded.stations;
        QStringList devices;
        for (const int port : modemPorts) {
            // Two ports of one device would be two calls on one modem.
            const QString device = ports.device(port);
            const QString real = CollectLock::devicePath(device);
            if (devices.contains(real)) {
                *error = QStringLiteral("COM %1 (%2) is a modem given already")
                             .arg(port)
                             .arg(QDir::toNativeSeparators(device));
                return {};
            }
            devices << real;
            modems << int(m_workers.size());
            m_workers << Worker{port, device, true};
        }
        for (const int row : *rows) {
            jobs << FleetQueue::Job{loaded.stations[size_t(row)].Nome.trimmed()};
            m_rows << row;
        }
    }
    {
        const QMutexLocker lock(&m_mutex);
        m_queue = std::make_unique<FleetQueue>(jobs, modems, options.retries, options.retryAfter);
        if (!m_stopReason.isEmpty())
            m_queue->stop(m_stopReason);
    }

    if (m_workers.size() == 1) {
        work(0);
    } else {
        QEventLoop allDone;
        qsizetype running = m_workers.size();
        QList<QThread*> threads;
        for (int id = 0; id < m_workers.size(); ++id) {
            QThread* thread = QThread::create([this, id] { work(id); });
            QObject::connect(thread, &QThread::finished, &allDone, [&running, &allDone] {
                if (--running == 0)
                    allDone.quit();
            });
            threads << thread;
            thread->start();
        }
        // Signals reach the main thread here, and from it every worker.
        allDone.exec();
        for (QThread* thread : threads) {
            thread->wait();
            delete thread;
        }
    }
    return m_queue->reports();
}

void CollectRun::work(int id)
{
    const Worker& worker = m_workers[id];
    const std::shared_ptr<Collector> collector = m_make(worker.port, worker.device);
    Live live;
    live.collector = collector.get();
    {
        const QMutexLocker lock(&m_mutex);
        m_live.insert(id, &live);
        if (!m_stopReason.isEmpty())
            collector->requestStop(m_stopReason);
    }
    StationTable stations = m_stations; // each its own copy: the dates it records
    for (;;) {
        // A signal that came between two loggers is seen before the next one starts.
        QCoreApplication::processEvents();
        FleetQueue::Next next;
        quint64 generation = 0;
        {
            const QMutexLocker lock(&m_mutex);
            next = m_queue->next(id, now());
            generation = m_generation;
        }
        if (next.done)
            break;
        if (!next.job) {
            QEventLoop loop;
            QTimer due;
            due.setSingleShot(true);
            QObject::connect(&due, &QTimer::timeout, &loop, &QEventLoop::quit);
            if (next.until)
                due.start(
                    int(std::chrono::ceil<std::chrono::milliseconds>(*next.until - now()).count()));
            // Set before the look, so a change after it wakes the loop.
            live.waiting = &loop;
            bool changed = false;
            {
                const QMutexLocker lock(&m_mutex);
                changed = generation != m_generation;
            }
            if (!changed)
                loop.exec();
            live.waiting = nullptr;
            continue;
        }
        const int job = *next.job;
        const LoggerReport report =
            worker.modem ? collector->collectStation(stations, m_rows[job - m_cables], *m_files,
                                                     worker.port, worker.device)
                         : collector->collectCable(worker.port, worker.device);
        bool keep = false;
        {
            const QMutexLocker lock(&m_mutex);
            keep = m_queue->finished(id, job, report, now());
            ++m_generation;
            wake();
        }
        if (!keep)
            break;
    }
    const QMutexLocker lock(&m_mutex);
    m_live.remove(id);
    ++m_generation;
    wake();
}

void CollectRun::wake()
{
    for (Live* live : std::as_const(m_live))
        QMetaObject::invokeMethod(
            live, [live] { live->wake(); }, Qt::QueuedConnection);
}

void CollectRun::requestStop(const QString& why)
{
    const QMutexLocker lock(&m_mutex);
    if (m_stopReason.isEmpty())
        m_stopReason = why;
    if (m_queue)
        m_queue->stop(why);
    ++m_generation;
    for (Live* live : std::as_const(m_live)) {
        // Direct when the worker is this thread, so a wait under way ends at once.
        QMetaObject::invokeMethod(live, [live, why] {
            live->collector->requestStop(why);
            live->wake();
        });
    }
}

} // namespace korvelan
