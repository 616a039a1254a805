#pragma once

#include "download/DownloadRange.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QTime>
#include <optional>

namespace korvelan {

// Where the last collection of a logger ended, so the next one starts there: the last line
// written to a data file, the date and time it starts with, and how many lines the logger's
// memory held up to and including it. Kept per logger as it was reached (the station's row
// and number, or the cable's device) and by the name it answers, in a small file of the
// program folder.
struct SinceLastMark
{
    QByteArray line;             // the last line, as received (without CR LF); never empty
    std::optional<QDate> date;   // its day-first date at the start of the line, when it has one
    QTime time;                  // the time after that date, when it has one
    std::optional<qint64> place; // its place in the logger's memory, counted from 1
};

namespace sincelast {

// "<program folder>/since-last/<how it was reached> <logger name>.txt", made safe.
[[nodiscard]] QString markPath(const QString& programFolder, const QString& reachedBy,
                               const QString& loggerName);
// Where earlier versions kept the mark, by the name alone.
[[nodiscard]] QString legacyMarkPath(const QString& programFolder, const QString& loggerName);

// The mark a line leaves, its date and time read from its start ("05/12/2026 10:30:00,...").
[[nodiscard]] SinceLastMark markFor(const QByteArray& line, std::optional<qint64> place);

// The file is three lines: the date (dd/mm/yyyy, empty when the line has none, for whoever
// reads the file), the line, and its place. Files of earlier versions lack the place.
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

// What the logger said of itself before the download.
struct LoggerState
{
    std::optional<QDate> date; // its clock, as it reads (no time zone), to the minute
    QTime time;
    std::optional<qint64> stored; // acquisitions in its memory
    bool full = false;            // and no place left for more
};

struct Plan
{
    std::optional<DateRange> range; // none: the whole memory
    QString whole;                  // why the whole memory, though there is a mark
};

// The days from the mark's up to the later of this computer's and the logger's today; the
// whole memory when the mark cannot be trusted to find the new lines by their date: its line
// has no date or no place, the logger's counts are unknown, say it holds fewer lines than up
// to the mark (erased), or that it is full (it may be overwriting its oldest lines), or its
// clock reads earlier than the mark's line (set back, or reset).
[[nodiscard]] Plan plan(const SinceLastMark& mark, const LoggerState& logger, const QDate& today);

struct Filtered
{
    qint64 received = 0; // lines the download held
    qint64 at = 0;       // the mark's line among them, counted from 1; 0 when it is not there
    qint64 last = 0;     // the last line that is not empty, counted from 1; 0 when none is
    std::optional<QByteArray> lastLine; // that line: the next mark
    qint64 lines = 0;                   // lines the file holds now
    qint64 bytes = 0;
    QString error; // the file could not be read or rewritten; it is unchanged then
};

// Keeps in the downloaded file at `path` the lines after the mark's line, up to the last line
// that is not empty (empty lines after it wait for the next collection: an empty line is never
// a mark). In a download of the whole memory the mark's line is looked for at its place
// first, otherwise its last occurrence counts. A file left with no line is removed. The file
// is rewritten aside and put in place, so it holds either all it had or the lines kept.
[[nodiscard]] Filtered keepLinesAfter(const QString& path, const std::optional<SinceLastMark>& mark,
                                      bool wholeMemory);

// Why a download of `range` cannot be trusted to hold every line stored after the mark
// (empty when it can): the mark's line is not in it, or the logger's count once it was done
// (`storedAfter`) says more lines followed the mark than the download brought.
[[nodiscard]] QString shortfall(const SinceLastMark& mark, const Filtered& download,
                                std::optional<qint64> storedAfter, const DateRange& range);

} // namespace sincelast

} // namespace korvelan
