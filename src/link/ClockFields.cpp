#include "link/ClockFields.h"

#include "link/NumberForms.h"

namespace korvelan::clockfields {

QString parameters(const Fields& f)
{
    const auto year = numbers::roundHalfEven(numbers::leadingNumber(f[2]));
    return f[0].trimmed() + QLatin1Char(',') + f[1].trimmed() + QLatin1Char(',') +
           numbers::leadingBlank(qint64(numbers::toWireYear(static_cast<int>(year)))) +
           QLatin1Char(',') + f[3].trimmed() + QLatin1Char(',') + f[4].trimmed() + QLatin1Char(',');
}

Fields fromDateTime(const QDateTime& time)
{
    return {QString::number(time.date().day()), QString::number(time.date().month()),
            QString::number(time.date().year()), time.toString(QStringLiteral("hh")),
            time.toString(QStringLiteral("mm"))};
}

} // namespace korvelan::clockfields
