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
//
// Both clocks are compared as the readings they show, without a time zone: the logger keeps
// the time it was set to and knows nothing of daylight saving, so an hour that the computer
// skips or repeats is compared as it reads, and the hour a logger is left behind by a change
// shows as such.
namespace clockdrift {

// More than this, and the operator is warned.
inline constexpr qint64 kWarnAbove = 60;

// `computer` is this computer's reading of its clock (its date and time as shown).
[[nodiscard]] qint64 seconds(const QDateTime& loggerMinute, const QDateTime& computer);
// The logger's minute from a clock reply's day, month, four-digit year, hours and minutes;
// nothing when they do not make a time (a field that got no answer, a garbled one).
[[nodiscard]] std::optional<QDateTime> loggerMinute(const QStringList& fields);
// "12 s", "3 min 5 s", "2 h 0 min", "3 d 4 h 10 min": past an hour rounded to the minute,
// so never more than half a minute from `seconds`.
[[nodiscard]] QString durationText(qint64 seconds);
// "Logger clock is 12 s behind this computer", "... 3 min 5 s ahead ...", "... in step ...".
[[nodiscard]] QString text(qint64 seconds);

} // namespace clockdrift

} // namespace korvelan
