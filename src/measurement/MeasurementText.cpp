#include "measurement/MeasurementText.h"

#include "link/NumberForms.h"

#include <cmath>

namespace korvelan::measurement {

QString channelCaption(int multiplexer, int index)
{
    return QStringLiteral("%1CH %2").arg(multiplexer).arg(index);
}

QStringList headerTexts(int count0, int count1)
{
    QStringList texts{QStringLiteral("Date")};
    for (int i = 0; i < count0; ++i)
        texts << channelCaption(0, i);
    for (int j = 0; j < count1; ++j)
        texts << channelCaption(1, j);
    return texts;
}

QString cycleStamp(const QDateTime& at)
{
    return at.toString(QStringLiteral("dd/MM/yyyy hh:mm:ss"));
}

QString proposedFileName(const QDateTime& at)
{
    return QStringLiteral("mc_") + at.toString(QStringLiteral("dd-MM-yyyy_hh.m.ss")) +
           QStringLiteral(".txt");
}

std::optional<float> gageFactor(const QString& text)
{
    double value = 0;
    if (!numbers::isNumeric(text, &value))
        return std::nullopt;
    return static_cast<float>(value);
}

QString gageFromFile(const QByteArray& contents)
{
    QString first = QString::fromLatin1(contents);
    first = first.section(QLatin1Char('\n'), 0, 0);
    first = first.section(QLatin1Char(','), 0, 0);
    first = first.trimmed();
    if (first.size() >= 2 && first.startsWith(QLatin1Char('"')) && first.endsWith(QLatin1Char('"')))
        first = first.mid(1, first.size() - 2);
    return first;
}

double microstrain(double reading, float gage)
{
    const double d = reading * reading / 1000.0;
    return d * static_cast<double>(gage);
}

QString cellText(double value)
{
    return numbers::format(value, QStringLiteral("0.000"));
}

std::optional<int> boxIndex(const QString& field)
{
    double value = 0;
    if (!numbers::isNumeric(field, &value) || value != std::trunc(value) || value < 0 || value > 15)
        return std::nullopt;
    return static_cast<int>(value);
}

QString singleValueText(const QString& field, int16_t model)
{
    double value = 0;
    if (!numbers::isNumeric(field, &value))
        return field;
    return model == 0 ? numbers::format(value, QStringLiteral("######0.0##"))
                      : numbers::plain(value);
}

QString temperatureText(const QString& field)
{
    double value = 0;
    if (!numbers::isNumeric(field, &value))
        return field;
    if (value > 80 || value < -30)
        return QStringLiteral("**N.F.**");
    return numbers::format(value, QStringLiteral("000.0"));
}

} // namespace korvelan::measurement
