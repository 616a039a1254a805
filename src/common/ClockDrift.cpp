#include "common/ClockDrift.h"

#include "common/ParameterGuard.h"

#include <QStringList>
#include <cstdlib>

namespace korvelan::clockdrift {

qint64 seconds(const QDateTime& loggerMinute, const QDateTime& computer)
{
    const qint64 start = loggerMinute.toSecsSinceEpoch();
    const qint64 now = computer.toSecsSinceEpoch();
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
    return QDateTime(date, time);
}

QString durationText(qint64 s)
{
    s = std::llabs(s);
    const qint64 d = s / 86400;
    const qint64 h = s % 86400 / 3600;
    const qint64 m = s % 3600 / 60;
    const qint64 sec = s % 60;
    if (d > 0)
        return QStringLiteral("%1 d %2 h").arg(d).arg(h);
    if (h > 0)
        return QStringLiteral("%1 h %2 min").arg(h).arg(m);
    if (m > 0)
        return QStringLiteral("%1 min %2 s").arg(m).arg(sec);
    return QStringLiteral("%1 s").arg(sec);
}

QString text(qint64 s)
{
    if (s == 0)
        return QStringLiteral("Logger clock is in step with this computer");
    return QStringLiteral("Logger clock is %1 %2 this computer")
        .arg(durationText(s), s > 0 ? QStringLiteral("ahead of") : QStringLiteral("behind"));
}

} // namespace korvelan::clockdrift
