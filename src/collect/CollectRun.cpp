#include "collect/CollectRun.h"

#include "collect/Collector.h"
#include "common/ComPortMap.h"

#include <QCoreApplication>
#include <QDir>

namespace korvelan {

namespace {

// Lets a signal that came between two loggers be seen before the next one starts.
void takeSignals()
{
    QCoreApplication::processEvents();
}

LoggerReport notStarted(const QString& via, const Collector& collector)
{
    LoggerReport report;
    report.via = via;
    report.result =
        QStringLiteral("not collected: stopped by %1 before its turn").arg(collector.stopReason());
    return report;
}

} // namespace

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

QList<LoggerReport> runCollection(Collector& collector, const CollectOptions& options,
                                  const ComPortMap& ports, const QString& programFolder,
                                  QString* error)
{
    QList<LoggerReport> reports;
    if (!options.overModem()) {
        for (const auto& cable : options.cables) {
            takeSignals();
            const QString device = ports.device(cable.port);
            reports << (collector.stopRequested() ? notStarted(device, collector)
                                                  : collector.collectCable(cable.port, device));
        }
        return reports;
    }

    const StationFiles files(programFolder);
    StationFiles::Loaded loaded = files.load();
    if (!loaded.complete) {
        *error = QStringLiteral(
                     "the station list %1 is missing or not complete (the program's modem window "
                     "writes it whole with \"Save\")")
                     .arg(QDir::toNativeSeparators(files.modemPath()));
        return {};
    }
    if (!loaded.port) {
        *error = QStringLiteral("no modem port is saved in %1 (find the modem once in the "
                                "program's modem window)")
                     .arg(QDir::toNativeSeparators(files.portPath()));
        return {};
    }
    const auto rows = stationRows(loaded.stations, options, error);
    if (!rows)
        return {};
    const int modemPort = *loaded.port;
    for (const int row : *rows) {
        takeSignals();
        const QString name = loaded.stations[size_t(row)].Nome.trimmed();
        reports << (collector.stopRequested()
                        ? notStarted(name, collector)
                        : collector.collectStation(loaded.stations, row, files, modemPort,
                                                   ports.device(modemPort)));
    }
    return reports;
}

} // namespace korvelan
