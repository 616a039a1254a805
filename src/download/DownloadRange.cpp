#include "download/DownloadRange.h"

#include "link/NumberForms.h"

#include <QRegularExpression>

namespace korvelan {

std::optional<QDate> parseRangeDate(const QString& text)
{
    static const QRegularExpression form(
        QStringLiteral(R"(^\s*(\d{1,2})([/.-])(\d{1,2})\2(\d{2}|\d{4})\s*$)"));
    const auto match = form.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const int day = match.captured(1).toInt();
    const int month = match.captured(3).toInt();
    const QString yearText = match.captured(4);
    int year = yearText.toInt();
    if (yearText.size() == 2)
        year += year < 30 ? 2000 : 1900;
    if (year < 1900)
        return std::nullopt;
    const QDate date(year, month, day);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

QString rangeDateText(const QDate& date)
{
    return date.toString(QStringLiteral("dd/MM/yyyy"));
}

RangeCheck checkDownloadRange(const QString& fromText, const QString& toText)
{
    if (fromText.trimmed().isEmpty())
        return {std::nullopt, QStringLiteral("Insert starting date for data")};
    const auto from = parseRangeDate(fromText);
    if (!from)
        return {std::nullopt, QStringLiteral("Insert a valid starting date for data")};
    if (toText.trimmed().isEmpty())
        return {std::nullopt, QStringLiteral("Insert last date for data")};
    const auto to = parseRangeDate(toText);
    if (!to)
        return {std::nullopt, QStringLiteral("Insert a valid last date for data")};
    if (*from > *to)
        return {std::nullopt, QStringLiteral("Starting date can not be after last date for data")};
    return {DateRange{*from, *to}, QString()};
}

namespace {

QString dateParameters(const QDate& date)
{
    using numbers::plain;
    return plain(qint64{date.day()}) + u',' + plain(qint64{date.month()}) + u',' +
           plain(qint64{numbers::toWireYear(date.year())}) + u',';
}

} // namespace

QStringList downloadParameters(const std::optional<DateRange>& range)
{
    if (!range)
        return {QStringLiteral("0,")};
    return {QStringLiteral("2,") + dateParameters(range->from) + QStringLiteral("0,0,0,"),
            QStringLiteral("3,") + dateParameters(range->to) + QStringLiteral("23,59,59,"),
            QStringLiteral("1,")};
}

} // namespace korvelan
