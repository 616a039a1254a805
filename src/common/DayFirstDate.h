#pragma once

#include <QDate>
#include <QString>

namespace korvelan {

// Dates as the program writes and reads them: day first, "dd/mm/yyyy", whatever the
// machine's regional settings say, so file names and logs read the same on every PC.
inline const QString kDayFirstFormat = QStringLiteral("dd/MM/yyyy");

// "06/12/2026".
[[nodiscard]] QString dayFirstDate(const QDate& date);

} // namespace korvelan
