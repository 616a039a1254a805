#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>

namespace korvelan {

// The dates of a range download: from the start of `from` to the end of `to`.
struct DateRange
{
    QDate from;
    QDate to;
};

// A date typed by the operator, always read day first whatever the machine's locale:
// d/m/yyyy with "/", "-" or "." between the parts; a two-digit year means 2000-2029 for
// 00-29 and 1930-1999 otherwise. Years before 1900 cannot travel to the logger and are not
// dates here. Surrounding blanks are allowed.
std::optional<QDate> parseRangeDate(const QString& text);
// The program's date text: dd/mm/yyyy.
QString rangeDateText(const QDate& date);

// The checks made before a range download, in order; on the first failure `message` holds
// the text to show.
struct RangeCheck
{
    std::optional<DateRange> range;
    QString message;
};
RangeCheck checkDownloadRange(const QString& fromText, const QString& toText);

// The parameters of the "A" commands that ask for the whole memory (no range) or a range,
// in the order they are sent.
QStringList downloadParameters(const std::optional<DateRange>& range);

} // namespace korvelan
