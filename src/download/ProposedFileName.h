#pragma once

#include <QDate>
#include <QString>

namespace korvelan {

// The data file name proposed once a logger is connected: logger name + "_" + the date's
// day, month and two-digit year taken from its text at fixed places + "_VW.txt". The date text
// is always day first (dd/mm/yyyy), so this reads name_dd_mm_yy_VW.txt. The name is made fit
// for a file name first: it cannot leave the folder or carry characters a file system refuses.
[[nodiscard]] QString proposedDataFileName(const QString& loggerName, const QString& dateText);
[[nodiscard]] QString proposedDataFileName(const QString& loggerName, const QDate& today);

} // namespace korvelan
