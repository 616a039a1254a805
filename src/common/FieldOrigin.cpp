#include "common/FieldOrigin.h"

#include "link/NumberForms.h"
#include "link/Transport.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <optional>

namespace korvelan {

namespace replies {

Origin text(const QString& field)
{
    if (field == Transport::kNoAnswer)
        return Origin::NoAnswer;
    // Tabs and line ends count as blanks, as in the number forms.
    const bool noise = std::any_of(field.begin(), field.end(), [](QChar c) {
        const char16_t u = c.unicode();
        return (u < 0x20 && u != u'\t' && u != u'\r' && u != u'\n') || (u >= 0x7f && u < 0xa0);
    });
    return noise ? Origin::Garbled : Origin::Logger;
}

Origin number(const QString& field)
{
    const Origin o = text(field);
    if (o != Origin::Logger)
        return o;
    return numbers::isNumeric(field) ? Origin::Logger : Origin::Garbled;
}

Origin wholeNumber(const QString& field, int lowest, int highest)
{
    const Origin o = text(field);
    if (o != Origin::Logger)
        return o;
    double v = 0;
    if (!numbers::isNumeric(field, &v) || v != std::floor(v) || v < lowest || v > highest)
        return Origin::Garbled;
    return Origin::Logger;
}

Flag flag(const QString& field)
{
    const Origin o = text(field);
    if (o != Origin::Logger)
        return {o, false};
    double v = 0;
    if (numbers::isNumeric(field, &v) && (v == 0 || v == 1))
        return {Origin::Logger, v == 1};
    return {Origin::Garbled, false};
}

Flag nonZero(const QString& field)
{
    const Origin o = text(field);
    if (o != Origin::Logger)
        return {o, false};
    double v = 0;
    if (!numbers::isNumeric(field, &v) || v != std::floor(v))
        return {Origin::Garbled, false};
    return {Origin::Logger, v != 0};
}

} // namespace replies

namespace {

// A name with a number in it: "SMS number 3" is "SMS number ", 3, "".
struct Numbered
{
    QString prefix;
    int number = 0;
    QString suffix;
};

std::optional<Numbered> numbered(const QString& name)
{
    static const QRegularExpression pattern(QStringLiteral("^(.*?)(\\d{1,6})(\\D.*)?$"));
    const auto m = pattern.match(name);
    if (!m.hasMatch())
        return std::nullopt;
    return Numbered{m.captured(1), m.captured(2).toInt(), m.captured(3)};
}

// "SMS number " -> "SMS numbers ", "Channel " -> "Channels "; "CH MUX" stays.
QString plural(const QString& prefix)
{
    if (prefix.size() >= 2 && prefix.endsWith(QLatin1Char(' ')) &&
        prefix[prefix.size() - 2].isLetter())
        return prefix.left(prefix.size() - 1) + QStringLiteral("s ");
    return prefix;
}

struct Item
{
    QString plain; // a name without a number
    QString prefix;
    int first = 0;
    int last = 0;
    QStringList suffixes;
};

QString itemText(const Item& item)
{
    if (!item.plain.isEmpty())
        return item.plain;
    QString out = item.first == item.last ? item.prefix + QString::number(item.first)
                                          : plural(item.prefix) + QString::number(item.first) +
                                                QChar(0x2013) + QString::number(item.last);
    if (item.suffixes.size() == 1)
        return out + item.suffixes.first();
    QStringList parts;
    for (const auto& s : item.suffixes)
        parts << s.trimmed();
    return out + QStringLiteral(" (") + parts.join(QStringLiteral(", ")) + QLatin1Char(')');
}

QString joined(const QStringList& parts)
{
    if (parts.size() <= 1)
        return parts.value(0);
    return parts.mid(0, parts.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") +
           parts.last();
}

QList<Item> items(const QStringList& names)
{
    // Numbers per prefix and suffix, in the order the names first come.
    struct Series
    {
        QString prefix;
        QString suffix;
        QList<int> numbers;
    };
    QList<Series> series;
    QList<Item> out;
    QList<std::pair<int, int>> order; // (series index, -1) or (-1, plain item index)
    for (const QString& name : names) {
        const auto n = numbered(name);
        if (!n) {
            const bool seen =
                std::any_of(out.begin(), out.end(), [&](const Item& i) { return i.plain == name; });
            if (!seen) {
                out.append(Item{name, {}, 0, 0, {}});
                order.append({-1, int(out.size() - 1)});
            }
            continue;
        }
        auto it = std::find_if(series.begin(), series.end(), [&](const Series& s) {
            return s.prefix == n->prefix && s.suffix == n->suffix;
        });
        if (it == series.end()) {
            series.append(Series{n->prefix, n->suffix, {}});
            order.append({int(series.size() - 1), -1});
            it = series.end() - 1;
        }
        if (!it->numbers.contains(n->number))
            it->numbers.append(n->number);
    }
    // Each series as its runs of consecutive numbers; runs of one prefix with the same
    // numbers go together.
    QList<Item> result;
    for (const auto& [s, plain] : order) {
        if (s < 0) {
            result.append(out[plain]);
            continue;
        }
        QList<int> numbers = series[s].numbers;
        std::sort(numbers.begin(), numbers.end());
        for (qsizetype i = 0; i < numbers.size();) {
            qsizetype j = i;
            while (j + 1 < numbers.size() && numbers[j + 1] == numbers[j] + 1)
                ++j;
            // Two in a row are named each.
            if (j == i + 1)
                j = i;
            const QString& prefix = series[s].prefix;
            const QString& suffix = series[s].suffix;
            auto same = std::find_if(result.begin(), result.end(), [&](const Item& r) {
                return r.plain.isEmpty() && r.prefix == prefix && r.first == numbers[i] &&
                       r.last == numbers[j] && !r.suffixes.first().isEmpty() && !suffix.isEmpty();
            });
            if (same != result.end())
                same->suffixes.append(suffix);
            else
                result.append(Item{{}, prefix, numbers[i], numbers[j], {suffix}});
            i = j + 1;
        }
    }
    return result;
}

} // namespace

QString fieldList(const QStringList& names)
{
    QStringList parts;
    for (const Item& item : items(names))
        parts << itemText(item);
    return joined(parts);
}

QString unknownFieldsText(const QString& whatToDo, const QList<UnknownField>& fields)
{
    struct Why
    {
        QList<Origin> origins;
        const char* one;
        const char* many;
    };
    const Why whys[] = {
        {{Origin::NeverRead}, "was never read from the logger", "were never read from the logger"},
        {{Origin::NoAnswer}, "got no answer from the logger", "got no answer from the logger"},
        {{Origin::Garbled}, "came garbled from the logger", "came garbled from the logger"},
        {{Origin::Partial},
         "holds only part of the logger's value",
         "hold only part of the logger's value"},
    };
    QStringList sentences;
    for (const Why& why : whys) {
        QStringList names;
        for (const auto& f : fields) {
            if (why.origins.contains(f.origin))
                names << f.name;
        }
        if (names.isEmpty())
            continue;
        const QList<Item> list = items(names);
        const bool many = list.size() > 1 || list.first().first != list.first().last ||
                          list.first().suffixes.size() > 1;
        sentences << fieldList(names) + QLatin1Char(' ') + QLatin1String(many ? why.many : why.one);
    }
    QString first = sentences.join(QStringLiteral("; "));
    if (!first.isEmpty())
        first[0] = first[0].toUpper();
    return first + QStringLiteral(". Nothing was sent: ") + whatToDo + QLatin1Char('.');
}

QString commaText(const QString& value, const QString& field)
{
    return QStringLiteral("\"%1\" contains a comma (,), which the datalogger would read as the "
                          "end of the value. Nothing was sent: please correct %2.")
        .arg(value, field);
}

} // namespace korvelan
