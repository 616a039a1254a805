#include "common/ClockDrift.h"

#include "common/ParameterGuard.h"

#include <QStringList>
#include <cstdlib>

namespace korvelan::clockdrift {

namespace {

// Seconds of a reading as it shows, the same in every zone and on every day of the year.
qint64 reading(const QDateTime& t)
{
    return QDateTime(t.date(), t.time(), Qt::UTC).toSecsSinceEpoch();
}

} // namespace

qint64 seconds(const QDateTime& loggerMinute, const QDateTime& computer)
{
    const qint64 start = reading(loggerMinute);
    const qint64 now = reading(computer);
    if (now >= start && now < start + 60)
        return 0;
    return start + 30 - now;
}

std::optional<QDateTime> loggerMinute(const QStringList& fields)
{
    if (fields.size() < 5)
        return std::nullopt;
    for (const auto& f : fields.mid(0, 5)) {
        if (!isWholeNumber(f))
            return std::nullopt;
    }
    const QDate date(fields[2].trimmed().toInt(), fields[1].trimmed().toInt(),
                     fields[0].trimmed().toInt());
    const QTime time(fields[3].trimmed().toInt(), fields[4].trimmed().toInt());
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time, Qt::UTC);
}

QString durationText(qint64 s)
{
    s = std::llabs(s);
    if (s < 60)
        return QStringLiteral("%1 s").arg(s);
    if (s < 3600)
        return QStringLiteral("%1 min %2 s").arg(s / 60).arg(s % 60);
    // Past an hour the seconds are not shown: rounded to the nearest minute, not cut.
    const qint64 minutes = (s + 30) / 60;
    const qint64 d = minutes / 1440;
    const qint64 h = minutes % 1440 / 60;
    const qint64 m = minutes % 60;
    if (d > 0)
        return QStringLiteral("%1 d %2 h %3 min").arg(d).arg(h).arg(m);
    return QStringLiteral("%1 h %2 min").arg(h).arg(m);
}

QString text(qint64 s)
{
    if (s == 0)
        return QStringLiteral("Logger clock is in step with this computer");
    return QStringLiteral("Logger clock is %1 %2 this computer")
        .arg(durationText(s), s > 0 ? QStringLiteral("ahead of") : QStringLiteral("behind"));
}

} // namespace korvelan::clockdrift
