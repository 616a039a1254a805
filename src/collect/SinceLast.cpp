#include "collect/SinceLast.h"

#include "common/DayFirstDate.h"
#include "download/DataFileName.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSaveFile>

namespace korvelan::sincelast {

namespace {

// A mark file is three short lines; anything much larger is not one.
constexpr qint64 kMarkFileLimit = 256 * 1024;
constexpr qint64 kCopyChunk = 1024 * 1024;

QByteArray withoutLineEnd(QByteArray line)
{
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return line;
}

QString folderFile(const QString& programFolder, const QString& name)
{
    QString safe = safeFileNamePart(name.trimmed());
    if (safe.trimmed().isEmpty())
        safe = QStringLiteral("_");
    return QDir(programFolder)
        .filePath(QStringLiteral("since-last/") + safe + QStringLiteral(".txt"));
}

QString shown(const QDate& date, const QTime& time)
{
    return dayFirstDate(date) +
           (time.isValid() ? time.toString(QStringLiteral(" hh:mm")) : QString());
}

} // namespace

QString markPath(const QString& programFolder, const QString& reachedBy, const QString& loggerName)
{
    return folderFile(programFolder, reachedBy + u' ' + loggerName.trimmed());
}

QString legacyMarkPath(const QString& programFolder, const QString& loggerName)
{
    return folderFile(programFolder, loggerName);
}

SinceLastMark markFor(const QByteArray& line, std::optional<qint64> place)
{
    // The logger's lines begin with their date and time: "05/12/2026 10:30:00,...".
    const auto token = [&line](qsizetype from) {
        qsizetype end = from;
        while (end < line.size() && end < from + 16 && line[end] != ' ' && line[end] != ',' &&
               line[end] != '\t')
            ++end;
        return QString::fromLatin1(line.mid(from, end - from));
    };
    const QString dateText = token(0);
    SinceLastMark mark{line, parseRangeDate(dateText), QTime(), place};
    if (mark.date && line.size() > dateText.size() && line[dateText.size()] == ' ') {
        const QString timeText = token(dateText.size() + 1);
        mark.time = QTime::fromString(timeText, QStringLiteral("h:mm:ss"));
        if (!mark.time.isValid())
            mark.time = QTime::fromString(timeText, QStringLiteral("h:mm"));
    }
    return mark;
}

QByteArray markFileText(const SinceLastMark& mark)
{
    const QByteArray date = mark.date ? dayFirstDate(*mark.date).toLatin1() : QByteArray();
    const QByteArray place = mark.place ? QByteArray::number(*mark.place) : QByteArray();
    return date + "\r\n" + mark.line + "\r\n" + place + "\r\n";
}

std::optional<SinceLastMark> parseMarkFile(const QByteArray& text)
{
    // Date, line and place, each ended by a line end; the line may hold anything but CR and LF.
    const QList<QByteArray> lines = text.split('\n');
    if (lines.size() < 3)
        return std::nullopt;
    const QByteArray dateText = withoutLineEnd(lines[0]).trimmed();
    const QByteArray line = withoutLineEnd(lines[1]);
    const QByteArray placeText = withoutLineEnd(lines[2]).trimmed();
    for (qsizetype i = 3; i < lines.size(); ++i) {
        if (!lines[i].trimmed().isEmpty())
            return std::nullopt;
    }
    if (line.isEmpty() || (!dateText.isEmpty() && !parseRangeDate(QString::fromLatin1(dateText))))
        return std::nullopt;
    std::optional<qint64> place;
    if (!placeText.isEmpty()) {
        bool ok = placeText.size() <= 15;
        for (const char c : placeText)
            ok = ok && c >= '0' && c <= '9';
        place = ok ? placeText.toLongLong() : 0;
        if (*place < 1)
            return std::nullopt;
    }
    return markFor(line, place);
}

LoadedMark loadMark(const QString& path)
{
    QFile file(path);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly))
        return {std::nullopt,
                QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), file.errorString())};
    if (file.size() > kMarkFileLimit)
        return {std::nullopt, QStringLiteral("%1 is not a mark file (too large)")
                                  .arg(QDir::toNativeSeparators(path))};
    const auto mark = parseMarkFile(file.readAll());
    if (!mark)
        return {std::nullopt,
                QStringLiteral("%1 is not a mark file").arg(QDir::toNativeSeparators(path))};
    return {mark, QString()};
}

bool saveMark(const QString& path, const SinceLastMark& mark, QString* error)
{
    const auto fail = [&](const QString& why) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), why);
        return false;
    };
    if (!QDir().mkpath(QFileInfo(path).path()))
        return fail(QStringLiteral("the folder cannot be made"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    file.write(markFileText(mark));
    if (!file.commit())
        return fail(file.errorString());
    return true;
}

Plan plan(const SinceLastMark& mark, const LoggerState& logger, const QDate& today)
{
    if (!mark.date)
        return {std::nullopt, QStringLiteral("the last line collected has no date")};
    if (!mark.place)
        return {std::nullopt, QStringLiteral("the mark does not say where its line stands in the "
                                             "logger's memory")};
    if (!logger.stored)
        return {std::nullopt, QStringLiteral("the logger's memory counts gave no readable answer")};
    if (logger.full)
        return {std::nullopt, QStringLiteral("the logger's memory is full")};
    if (*logger.stored < *mark.place)
        return {std::nullopt,
                QStringLiteral("the logger holds %1 lines, fewer than up to the last one "
                               "collected (%2): erased since?")
                    .arg(*logger.stored)
                    .arg(*mark.place)};
    // Compared as the logger reads them, to the minute it gives.
    const QTime markMinute =
        mark.time.isValid() ? QTime(mark.time.hour(), mark.time.minute()) : QTime(0, 0);
    if (logger.date && std::pair(*logger.date, logger.time) < std::pair(*mark.date, markMinute))
        return {std::nullopt,
                QStringLiteral("the logger's clock (%1) is earlier than the last "
                               "line collected (%2)")
                    .arg(shown(*logger.date, logger.time), shown(*mark.date, mark.time))};
    QDate to = std::max(today, *mark.date);
    if (logger.date)
        to = std::max(to, *logger.date);
    return {DateRange{*mark.date, to}, QString()};
}

Filtered keepLinesAfter(const QString& path, const std::optional<SinceLastMark>& mark,
                        bool wholeMemory)
{
    Filtered result;
    QFile in(path);
    const auto failed = [&](const QString& reason) {
        result.error = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), reason);
        return result;
    };
    if (!in.open(QIODevice::ReadOnly))
        return failed(in.errorString());
    // Where each line of interest ends in the file.
    qint64 markEnd = 0;
    qint64 lastEnd = 0;
    bool atItsPlace = false;
    while (!in.atEnd()) {
        const QByteArray line = withoutLineEnd(in.readLine());
        ++result.received;
        // At its place in the whole memory, the mark's line is the one; elsewhere the last
        // occurrence is.
        if (mark && !atItsPlace && line == mark->line) {
            atItsPlace = wholeMemory && mark->place == result.received;
            result.at = result.received;
            markEnd = in.pos();
        }
        if (!line.isEmpty()) {
            result.last = result.received;
            result.lastLine = line;
            lastEnd = in.pos();
        }
    }
    const qint64 size = in.size();
    const qint64 from = markEnd;
    const qint64 to = std::max(lastEnd, from);
    result.lines = std::max<qint64>(0, result.last - result.at);
    result.bytes = to - from;
    if (result.lines == 0) {
        in.close();
        if (!in.remove())
            return failed(in.errorString());
        return result;
    }
    if (from == 0 && to == size)
        return result;

    QSaveFile out(path);
    bool written = out.open(QIODevice::WriteOnly) && in.seek(from);
    for (qint64 left = to - from; written && left > 0;) {
        const QByteArray chunk = in.read(std::min(kCopyChunk, left));
        written = !chunk.isEmpty() && out.write(chunk) == chunk.size();
        left -= chunk.size();
    }
    in.close();
    if (!written || !out.commit()) {
        out.cancelWriting();
        return failed(out.errorString());
    }
    return result;
}

QString shortfall(const SinceLastMark& mark, const Filtered& download,
                  std::optional<qint64> storedAfter, const DateRange& range)
{
    const QString days =
        QStringLiteral("from %1 to %2").arg(dayFirstDate(range.from), dayFirstDate(range.to));
    if (download.at == 0)
        return QStringLiteral("the last line collected is not among the lines ") + days;
    if (!storedAfter)
        return QStringLiteral("the logger's memory counts gave no readable answer after the "
                              "download");
    const qint64 after = download.received - download.at;
    const qint64 stored = *storedAfter - mark.place.value_or(0);
    if (after < stored)
        return QStringLiteral("the lines %1 hold %2 after the last one collected, but the logger "
                              "stored %3 since")
            .arg(days)
            .arg(after)
            .arg(stored);
    return QString();
}

} // namespace korvelan::sincelast
