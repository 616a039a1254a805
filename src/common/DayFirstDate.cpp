#include "common/DayFirstDate.h"

#include <QStringList>

namespace korvelan {

QString dayFirstDate(const QDate& date)
{
    return date.toString(kDayFirstFormat);
}

QDate parseDayFirstDate(const QString& text)
{
    const QStringList parts = text.trimmed().split(QLatin1Char('/'));
    if (parts.size() != 3)
        return QDate();
    int values[3] = {};
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        const QString& part = parts[i];
        if (part.isEmpty() || part.size() > (i == 2 ? 4 : 2))
            return QDate();
        values[i] = part.toInt(&ok);
        if (!ok || part.front() == u'+' || part.front() == u'-')
            return QDate();
    }
    if (parts[2].size() != 4)
        return QDate();
    return QDate(values[2], values[1], values[0]);
}

} // namespace korvelan
