#pragma once

#include "collect/CollectOptions.h"
#include "collect/CollectReport.h"
#include "remote/StationFiles.h"

#include <QHash>
#include <QList>
#include <QMutex>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace korvelan {

class Collector;
class ComPortMap;
class FleetQueue;

// The rows of the station list a run collects: for --all-stations every row with a name and
// a telephone number, otherwise the rows named (blanks around a name do not count; a name
// that matches no row exactly may match one regardless of case). nullopt with *error filled
// when a name is not in the list or there is nothing to collect.
[[nodiscard]] std::optional<QList<int>> stationRows(const StationTable& stations,
                                                    const CollectOptions& options, QString* error);

// Collects every logger the options name: each cable on its own, the stations shared out
// among the modems (the ports of --modem, or the one the modem window saved), each modem
// making one call at a time while stations remain, all of them side by side. One port alone
// is collected in the calling thread; several each in a thread of their own, with a
// collector (and link) of its own made there.
//
// A stop (a signal) lets every logger under way end as it must, every call hung up; those
// still to come are reported as not collected. The reports come in the order of the cables,
// then of the station list, whatever order the calls ended in.
class CollectRun
{
public:
    // A collector with a link of its own, whose COM `port` opens `device`, made in the thread
    // that uses it and released there.
    using MakeCollector =
        std::function<std::shared_ptr<Collector>(int port, const QString& device)>;

    explicit CollectRun(MakeCollector make);
    ~CollectRun();

    // Empty, with *error filled, when the run cannot start at all (no station list, no modem
    // port, a station that is not in the list, one modem given twice).
    [[nodiscard]] QList<LoggerReport> run(const CollectOptions& options, const ComPortMap& ports,
                                          const QString& programFolder, QString* error);
    // From any thread (a signal's handler in the main one).
    void requestStop(const QString& why);

private:
    struct Worker
    {
        int port = 0;
        QString device;
        bool modem = false;
    };
    struct Live;
    void work(int id);
    void wake();

    MakeCollector m_make;
    QList<Worker> m_workers;
    QList<int> m_rows; // the station row of each job after the cables
    qsizetype m_cables = 0;
    std::optional<StationFiles> m_files;
    StationTable m_stations;

    QMutex m_mutex; // guards what follows
    std::unique_ptr<FleetQueue> m_queue;
    QHash<int, Live*> m_live;
    quint64 m_generation = 0;
    QString m_stopReason;
};

} // namespace korvelan
