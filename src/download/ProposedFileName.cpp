#include "download/ProposedFileName.h"

#include "common/DayFirstDate.h"
#include "download/DataFileName.h"

namespace korvelan {

QString proposedDataFileName(const QString& loggerName, const QString& dateText)
{
    const QString day = dateText.mid(0, 2);
    const QString month = dateText.mid(3, 2);
    const QString year = dateText.right(2);
    return safeFileNamePart(loggerName) + u'_' +
           safeFileNamePart(day + u'_' + month + u'_' + year) + QStringLiteral("_VW.txt");
}

QString proposedDataFileName(const QString& loggerName, const QDate& today)
{
    return proposedDataFileName(loggerName, dayFirstDate(today));
}

} // namespace korvelan
