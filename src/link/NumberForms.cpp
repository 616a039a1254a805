#include "link/NumberForms.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace korvelan::numbers {

QString plain(qint64 value)
{
    return QString::number(value);
}

QString plain(double value)
{
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e15)
        return QString::number(static_cast<qint64>(value));
    return QString::number(value, 'g', 15);
}

QString leadingBlank(qint64 value)
{
    return value < 0 ? QString::number(value) : QLatin1Char(' ') + QString::number(value);
}

QString leadingBlank(double value)
{
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e15)
        return leadingBlank(static_cast<qint64>(value));
    QString text = QString::number(std::fabs(value), 'g', 15);
    if (text.startsWith(QLatin1String("0.")))
        text.remove(0, 1);
    return (value < 0 ? QLatin1Char('-') : QLatin1Char(' ')) + text;
}

QString zeroPadded(qint64 value, int width)
{
    const QString digits = QString::number(value < 0 ? -value : value);
    const QString padded = digits.rightJustified(width, QLatin1Char('0'));
    return value < 0 ? QLatin1Char('-') + padded : padded;
}

double leadingNumber(const QString& text)
{
    QByteArray s;
    s.reserve(text.size());
    for (const QChar c : text) {
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t') && c != QLatin1Char('\n'))
            s += static_cast<char>(c.unicode() < 128 ? c.unicode() : '?');
    }
    qsizetype i = 0;
    const qsizetype n = s.size();
    QByteArray number;
    if (i < n && (s[i] == '+' || s[i] == '-'))
        number += s[i++];
    bool digits = false;
    while (i < n && std::isdigit(static_cast<unsigned char>(s[i]))) {
        number += s[i++];
        digits = true;
    }
    if (i < n && s[i] == '.') {
        number += s[i++];
        while (i < n && std::isdigit(static_cast<unsigned char>(s[i]))) {
            number += s[i++];
            digits = true;
        }
    }
    if (!digits)
        return 0.0;
    if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        qsizetype j = i + 1;
        QByteArray exponent = "e";
        if (j < n && (s[j] == '+' || s[j] == '-'))
            exponent += s[j++];
        bool expDigits = false;
        while (j < n && std::isdigit(static_cast<unsigned char>(s[j]))) {
            exponent += s[j++];
            expDigits = true;
        }
        if (expDigits)
            number += exponent;
    }
    bool ok = false;
    const double value = number.toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0.0;
}

qint64 roundHalfEven(double value)
{
    if (!std::isfinite(value))
        return 0;
    constexpr double kMax = 9.2e18;
    if (value > kMax)
        return std::numeric_limits<qint64>::max();
    if (value < -kMax)
        return std::numeric_limits<qint64>::min();
    return static_cast<qint64>(std::nearbyint(value)); // default rounding: to nearest even
}

int16_t toInt16(const QString& text)
{
    const qint64 v = roundHalfEven(leadingNumber(text));
    return static_cast<int16_t>(std::clamp<qint64>(v, std::numeric_limits<int16_t>::min(),
                                                   std::numeric_limits<int16_t>::max()));
}

bool isNumeric(const QString& text, double* value)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    bool ok = false;
    const double v = t.toDouble(&ok); // C locale: "." only
    if (!ok || !std::isfinite(v))
        return false;
    if (value)
        *value = v;
    return true;
}

namespace {

// Rounds the decimal digits of |value| (taken to 15 significant digits, as the value is
// known) to `decimals` places, halves away from zero; returns integer and fraction digits.
void roundDecimal(double value, int decimals, QString* intPart, QString* fracPart)
{
    QString sci = QString::number(std::fabs(value), 'e', 14); // d.dddddddddddddde±xx
    const auto ePos = sci.indexOf(QLatin1Char('e'));
    const int exponent = sci.mid(ePos + 1).toInt();
    QString digits = sci.left(ePos).remove(QLatin1Char('.')); // 15 digits
    // Position of the decimal point within `digits`.
    int point = exponent + 1;
    if (point < 0) {
        digits.prepend(QString(-point, QLatin1Char('0')));
        point = 0;
    }
    if (point > digits.size())
        digits.append(QString(point - digits.size(), QLatin1Char('0')));
    const int keep = point + decimals;
    if (keep < digits.size()) {
        const bool up = digits.at(keep) >= QLatin1Char('5');
        digits.truncate(keep);
        if (up) {
            int k = keep - 1;
            for (; k >= 0; --k) {
                if (digits[k] == QLatin1Char('9')) {
                    digits[k] = QLatin1Char('0');
                } else {
                    digits[k] = QChar(digits[k].unicode() + 1);
                    break;
                }
            }
            if (k < 0) {
                digits.prepend(QLatin1Char('1'));
                ++point;
            }
        }
    } else {
        digits.append(QString(keep - digits.size(), QLatin1Char('0')));
    }
    *intPart = digits.left(point);
    *fracPart = digits.mid(point);
    while (intPart->size() > 1 && intPart->startsWith(QLatin1Char('0')))
        intPart->remove(0, 1);
    if (*intPart == QLatin1String("0"))
        intPart->clear();
}

} // namespace

QString format(double value, const QString& pattern)
{
    if (!std::isfinite(value))
        return QString::number(value);
    const auto dot = pattern.indexOf(QLatin1Char('.'));
    const QString intPattern = dot < 0 ? pattern : pattern.left(dot);
    const QString fracPattern = dot < 0 ? QString() : pattern.mid(dot + 1);
    const int minInt = static_cast<int>(intPattern.count(QLatin1Char('0')));
    const int minFrac = static_cast<int>(fracPattern.count(QLatin1Char('0')));
    const int maxFrac = minFrac + static_cast<int>(fracPattern.count(QLatin1Char('#')));

    QString intPart;
    QString fracPart;
    roundDecimal(value, maxFrac, &intPart, &fracPart);
    while (fracPart.size() > minFrac && fracPart.endsWith(QLatin1Char('0')))
        fracPart.chop(1);
    intPart = intPart.rightJustified(minInt, QLatin1Char('0'));
    const auto allZero = [](const QString& d) {
        return std::all_of(d.begin(), d.end(), [](QChar c) { return c == QLatin1Char('0'); });
    };
    const bool zero = allZero(intPart) && allZero(fracPart);
    QString out = intPart;
    if (!fracPart.isEmpty())
        out += QLatin1Char('.') + fracPart;
    if (value < 0 && !zero)
        out.prepend(QLatin1Char('-'));
    return out;
}

QString format(const QString& text, const QString& pattern)
{
    double value = 0;
    return isNumeric(text, &value) ? format(value, pattern) : text;
}

} // namespace korvelan::numbers
