#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace korvelan {

// What became of one logger in a collection run.
struct LoggerReport
{
    QString via;      // how it was reached: the station's name, or the cable's device
    QString logger;   // the name the logger answered; empty when it answered none
    QString file;     // the data file, or the partial file of a transfer that did not end
    qint64 lines = 0; // lines and bytes in that file
    qint64 bytes = 0;
    double seconds = 0;
    bool collected = false;
    QString result;    // "collected", or why not
    QStringList notes; // what else the operator should know, in the order it happened
    // Over a modem: whether a call was made and hung up again (none: no call was made).
    std::optional<bool> hungUp;
    // With --sync-clock: how far the logger's clock was off (positive: ahead), and whether it
    // was set.
    std::optional<qint64> driftSeconds;
    bool clockSet = false;
    // Why it was not collected may pass (busy, no answer, a dropped call, a time limit): worth
    // another call later.
    bool retryable = false;
    // The modem could not be used (no answer on its port, the port lost, a call it could not
    // hang up): it leaves the pool.
    bool modemFailed = false;
    int attempts = 1;
    bool cable = false;   // reached on a cable, not through a modem
    QDateTime finishedAt; // when it was done with
};

namespace collectreport {

// 0 when every logger was collected and every call hung up, 1 when some were collected, 2
// when none were (or there were none).
[[nodiscard]] int exitCode(const QList<LoggerReport>& reports);

// One line, fields separated by tabs so a file name with blanks stays one field:
// logger=NAME  via=...  file=PATH  lines=N  bytes=N  seconds=S.S  result=TEXT[; NOTE...]
[[nodiscard]] QString summaryLine(const LoggerReport& report);
// {"exit": N, "collected": N, "loggers": [{..., "attempts": N}, ...]}
[[nodiscard]] QByteArray json(const QList<LoggerReport>& reports);
// {"exit": 2, "error": "..."}: a run that could not start.
[[nodiscard]] QByteArray jsonError(const QString& error);

} // namespace collectreport

} // namespace korvelan
