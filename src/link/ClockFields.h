#pragma once

#include <QDateTime>
#include <QString>
#include <array>

namespace korvelan {

// The five fields of a clock or start-date write: day, month, four-digit year, hours and
// minutes, as the operator types them.
namespace clockfields {

using Fields = std::array<QString, 5>;

// The parameters of "g" (the clock) and "y" (the start date): day "," month "," the year
// less 1900 with its leading blank "," hours "," minutes ",", each as typed, blanks around
// it dropped.
[[nodiscard]] QString parameters(const Fields& fields);
// A time of day as the fields hold it when this computer's time is written: the date as
// plain numbers, hours and minutes with two digits.
[[nodiscard]] Fields fromDateTime(const QDateTime& time);

} // namespace clockfields

} // namespace korvelan
