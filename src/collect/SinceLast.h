#pragma once

#include "download/DownloadRange.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <optional>

namespace korvelan {

// Where the last collection of a logger ended, so the next one starts there: the last line
// written to a data file, and the date it carries. Kept per logger, by the name it answers,
// in a small file of the program folder.
struct SinceLastMark
{
    QByteArray line;           // the last line, as received (without CR LF)
    std::optional<QDate> date; // its day-first date at the start of the line, when it has one
};

namespace sincelast {

// "<program folder>/since-last/<logger name made safe>.txt".
[[nodiscard]] QString markPath(const QString& programFolder, const QString& loggerName);

// The mark that a line collected on `collectedOn` leaves. Its date is the line's own, but
// never later than the day it was collected: a logger whose clock ran ahead and is set back
// afterwards stamps its next lines with earlier days, and they must still be asked for.
[[nodiscard]] SinceLastMark markFor(const QByteArray& line, const QDate& collectedOn);

// The file is two lines: the date (dd/mm/yyyy, empty when the line has none) and the line.
[[nodiscard]] QByteArray markFileText(const SinceLastMark& mark);
[[nodiscard]] std::optional<SinceLastMark> parseMarkFile(const QByteArray& text);

struct LoadedMark
{
    std::optional<SinceLastMark> mark; // none: no file yet, or one that cannot be read
    QString problem;                   // why a file that is there was not used
};
[[nodiscard]] LoadedMark loadMark(const QString& path);
// Written aside and put in place; false with *error filled when that fails.
bool saveMark(const QString& path, const SinceLastMark& mark, QString* error);

// What to ask the logger for: from the mark's day to today (the whole memory when there is
// no mark or it has no date). Days are whole: the day of the mark is asked for again, and
// the line filter drops what was collected before.
[[nodiscard]] std::optional<DateRange> rangeAfter(const std::optional<SinceLastMark>& mark,
                                                  const QDate& today);

struct Filtered
{
    bool found = false; // the mark's line was in the file
    qint64 lines = 0;   // lines the file holds now
    qint64 bytes = 0;
    // The file's last line before filtering (the next mark); none when the file was empty.
    std::optional<QByteArray> lastLine;
    QString error; // the file could not be read or rewritten; it is unchanged then
};

// Keeps in the data file at `path` only the lines after the last occurrence of `markLine`;
// when the line is not there, every line is kept. The file is rewritten aside and put in
// place, so it holds either all it had or the lines kept.
[[nodiscard]] Filtered keepLinesAfter(const QString& path,
                                      const std::optional<QByteArray>& markLine);

} // namespace sincelast

} // namespace korvelan
