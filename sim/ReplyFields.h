#pragma once

// Fields as the logger prints and reads them, shared by its command handlers.
#include "link/NumberForms.h"
#include "sim/CommandReader.h"
#include "sim/LoggerSettings.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <algorithm>

namespace korvelan::sim::fields {

inline QString text(const Command& c, int i)
{
    return QString::fromLatin1(c.fields.value(i));
}

inline double number(const Command& c, int i)
{
    return numbers::leadingNumber(text(c, i));
}

inline int integer(const Command& c, int i)
{
    const double v = std::clamp(number(c, i), -1e9, 1e9);
    return static_cast<int>(numbers::roundHalfEven(v));
}

// A number as the logger prints it: a blank where a minus sign would stand.
inline QString padded(double v, int decimals = -1)
{
    const QString digits =
        decimals < 0 ? QString::number(v, 'g', 10) : QString::number(v, 'f', decimals);
    return v < 0 ? digits : QLatin1Char(' ') + digits;
}

inline QString padded(int v)
{
    return numbers::leadingBlank(static_cast<qint64>(v));
}

inline QString two(int v)
{
    return numbers::zeroPadded(v, 2);
}

inline QString width(int v, int w)
{
    return QStringLiteral("%1").arg(v, w);
}

// A field row: every field ended by a comma.
inline QByteArray row(const QStringList& fields)
{
    QByteArray out;
    for (const auto& f : fields)
        out += f.toLatin1() + ',';
    return out;
}

inline bool validChannel(int c)
{
    return c >= 0 && c < kChannels;
}

} // namespace korvelan::sim::fields
