#pragma once

#include "collect/CollectReport.h"
#include "remote/StationFiles.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

namespace korvelan::collecthistory {

// Every run appends one line per logger to "collect-history.csv" in the program folder:
//   time,logger,via,result,lines,bytes,seconds,clock difference,reached
// (`reached`: "station" or "cable"). The file is only ever appended to, under a lock; once it
// passes kRotateAt it is renamed "collect-history.1.csv" (replacing the one before) and a new
// one begun, so the two together hold at most about twice kRotateAt.
inline constexpr qint64 kRotateAt = 1024 * 1024;
inline const QString kFileName = QStringLiteral("collect-history.csv");
inline const QString kRotatedName = QStringLiteral("collect-history.1.csv");

struct Row
{
    QDateTime time;
    QString logger;
    QString via;
    QString result; // the summary's result, notes included
    qint64 lines = 0;
    qint64 bytes = 0;
    double seconds = 0;
    std::optional<qint64> driftSeconds;
    bool cable = false;

    [[nodiscard]] bool collected() const { return result.startsWith(QLatin1String("collected")); }
};

[[nodiscard]] Row rowOf(const LoggerReport& report, const QDateTime& time);
[[nodiscard]] QByteArray line(const Row& row);
// nullopt for what is not a line of the history (the header, a line a crash cut short).
[[nodiscard]] std::optional<Row> parseLine(const QByteArray& text);

bool append(const QString& folder, const QList<Row>& rows, QString* error);
// The rows of both files, oldest first.
[[nodiscard]] QList<Row> load(const QString& folder);

// What --status says of one logger.
struct Status
{
    QString logger;
    QString via;
    bool cable = false;
    std::optional<Row> lastCollected;
    std::optional<Row> last;
};
// Every station of the list (a row with a name), in its order, then every cable seen.
[[nodiscard]] QList<Status> status(const StationTable* stations, const QList<Row>& rows);
// One line: logger=  via=  last-collected=  age=  last-result=  state= (ok, quiet, or "-"
// without a limit).
[[nodiscard]] QString statusLine(const Status& s, const QDateTime& now,
                                 std::optional<double> maxAgeHours);
[[nodiscard]] bool quiet(const Status& s, const QDateTime& now, double maxAgeHours);

} // namespace korvelan::collecthistory
