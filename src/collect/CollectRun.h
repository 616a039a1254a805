#pragma once

#include "collect/CollectOptions.h"
#include "collect/CollectReport.h"
#include "remote/StationFiles.h"

#include <QList>
#include <QString>
#include <optional>

namespace korvelan {

class Collector;
class ComPortMap;

// The rows of the station list a run collects: for --all-stations every row with a name and
// a telephone number, otherwise the rows named (blanks around a name do not count; a name
// that matches no row exactly may match one regardless of case). nullopt with *error filled
// when a name is not in the list or there is nothing to collect.
[[nodiscard]] std::optional<QList<int>> stationRows(const StationTable& stations,
                                                    const CollectOptions& options, QString* error);

// Collects every logger the options name, one after another: the cables, or the stations
// through the modem whose port is saved in the program folder. A stop (a signal) lets the
// logger under way end as it must; those still to come are reported as not collected.
// Empty, with *error filled, when the run cannot start at all (no station list, no modem
// port, a station that is not in the list).
[[nodiscard]] QList<LoggerReport> runCollection(Collector& collector, const CollectOptions& options,
                                                const ComPortMap& ports,
                                                const QString& programFolder, QString* error);

} // namespace korvelan
