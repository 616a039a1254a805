#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

namespace korvelan {

// How far a logger's clock is from this computer's.
//
// The logger's clock reply gives the minute, not the second: a logger showing 14:07 could be
// anywhere in that minute. So the drift is "in step" (0) when this computer's time, taken
// when the reply arrived, falls within the logger's minute, and otherwise is measured from the
// middle of that minute, within half a minute of the truth. Positive: the logger is ahead.
namespace clockdrift {

// More than this, and the operator is warned.
inline constexpr qint64 kWarnAbove = 60;

[[nodiscard]] qint64 seconds(const QDateTime& loggerMinute, const QDateTime& computer);
// The logger's minute from a clock reply's day, month, four-digit year, hours and minutes;
// nothing when they do not make a time (a field that got no answer, a garbled one).
[[nodiscard]] std::optional<QDateTime> loggerMinute(const QStringList& fields);
// "12 s", "3 min 5 s", "2 h 0 min", "3 d 4 h".
[[nodiscard]] QString durationText(qint64 seconds);
// "Logger clock is 12 s behind this computer", "... 3 min 5 s ahead ...", "... in step ...".
[[nodiscard]] QString text(qint64 seconds);

} // namespace clockdrift

} // namespace korvelan
