#include "common/DayFirstDate.h"

namespace korvelan {

QString dayFirstDate(const QDate& date)
{
    return date.toString(kDayFirstFormat);
}

} // namespace korvelan
