#include "collect/SinceLast.h"

#include "common/DayFirstDate.h"
#include "download/DataFileName.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace korvelan::sincelast {

namespace {

// A mark file is two short lines; anything much larger is not one.
constexpr qint64 kMarkFileLimit = 256 * 1024;
constexpr qint64 kCopyChunk = 1024 * 1024;

QByteArray withoutLineEnd(QByteArray line)
{
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return line;
}

} // namespace

QString markPath(const QString& programFolder, const QString& loggerName)
{
    QString name = safeFileNamePart(loggerName.trimmed());
    if (name.trimmed().isEmpty())
        name = QStringLiteral("_");
    return QDir(programFolder)
        .filePath(QStringLiteral("since-last/") + name + QStringLiteral(".txt"));
}

SinceLastMark markFor(const QByteArray& line, const QDate& collectedOn)
{
    // The logger's lines begin with their date: "05/12/2026 10:30:00,...".
    const QByteArray head = line.left(16);
    qsizetype end = 0;
    while (end < head.size() && head[end] != ' ' && head[end] != ',' && head[end] != '\t')
        ++end;
    auto date = parseRangeDate(QString::fromLatin1(head.left(end)));
    if (date && collectedOn.isValid())
        date = std::min(*date, collectedOn);
    return {line, date};
}

QByteArray markFileText(const SinceLastMark& mark)
{
    const QByteArray date = mark.date ? dayFirstDate(*mark.date).toLatin1() : QByteArray();
    return date + "\r\n" + mark.line + "\r\n";
}

std::optional<SinceLastMark> parseMarkFile(const QByteArray& text)
{
    const auto firstEnd = text.indexOf('\n');
    if (firstEnd < 0)
        return std::nullopt;
    const QByteArray dateText = withoutLineEnd(text.left(firstEnd)).trimmed();
    const QByteArray rest = text.mid(firstEnd + 1);
    // The line is everything up to its own line end: it may hold anything but CR and LF.
    const auto lineEnd = rest.indexOf('\n');
    if (lineEnd < 0 || !rest.mid(lineEnd + 1).trimmed().isEmpty())
        return std::nullopt;
    SinceLastMark mark{withoutLineEnd(rest.left(lineEnd)), std::nullopt};
    if (!dateText.isEmpty()) {
        mark.date = parseRangeDate(QString::fromLatin1(dateText));
        if (!mark.date)
            return std::nullopt;
    }
    return mark;
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

std::optional<DateRange> rangeAfter(const std::optional<SinceLastMark>& mark, const QDate& today)
{
    if (!mark || !mark->date)
        return std::nullopt;
    return DateRange{*mark->date, std::max(today, *mark->date)};
}

Filtered keepLinesAfter(const QString& path, const std::optional<QByteArray>& markLine)
{
    Filtered result;
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly)) {
        result.error =
            QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), in.errorString());
        return result;
    }
    qint64 lines = 0;
    qint64 keepFrom = 0; // where the lines to keep begin
    qint64 linesBefore = 0;
    while (!in.atEnd()) {
        const QByteArray line = withoutLineEnd(in.readLine());
        ++lines;
        if (markLine && line == *markLine) {
            result.found = true;
            keepFrom = in.pos();
            linesBefore = lines;
        }
        if (in.atEnd())
            result.lastLine = line;
    }
    const qint64 size = in.size();
    result.lines = lines - linesBefore;
    result.bytes = size - keepFrom;
    if (keepFrom == 0)
        return result;

    QSaveFile out(path);
    bool written = out.open(QIODevice::WriteOnly) && in.seek(keepFrom);
    while (written && !in.atEnd()) {
        const QByteArray chunk = in.read(kCopyChunk);
        written = !chunk.isEmpty() && out.write(chunk) == chunk.size();
    }
    in.close();
    if (!written || !out.commit()) {
        out.cancelWriting();
        result.error =
            QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), out.errorString());
        result.lines = lines;
        result.bytes = size;
    }
    return result;
}

} // namespace korvelan::sincelast
