#include "collect/CollectHistory.h"

#include <QDir>
#include <QFile>
#include <QLockFile>

namespace korvelan::collecthistory {

namespace {

const QByteArray kHeader = "time,logger,via,result,lines,bytes,seconds,clock difference,reached";
constexpr int kLockWaitMs = 10000;

QByteArray csvField(const QString& value)
{
    QString text = value;
    text.replace(u'\r', u' ').replace(u'\n', u' ');
    if (!text.contains(u',') && !text.contains(u'"'))
        return text.toUtf8();
    text.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return '"' + text.toUtf8() + '"';
}

// The fields of one CSV line; nullopt when a quote is left open.
std::optional<QStringList> csvFields(const QString& text)
{
    QStringList fields;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
                field += c;
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            fields << std::exchange(field, {});
        } else {
            field += c;
        }
    }
    if (quoted)
        return std::nullopt;
    fields << field;
    return fields;
}

QString ageText(const Row& row, const QDateTime& now)
{
    return QStringLiteral("%1h").arg(row.time.secsTo(now) / 3600.0, 0, 'f', 1);
}

} // namespace

Row rowOf(const LoggerReport& r, const QDateTime& time)
{
    QStringList result{r.result};
    result += r.notes;
    return {time,      r.logger,       r.via,  result.join(QStringLiteral("; ")), r.lines, r.bytes,
            r.seconds, r.driftSeconds, r.cable};
}

QByteArray line(const Row& row)
{
    const QList<QByteArray> fields = {
        row.time.toOffsetFromUtc(row.time.offsetFromUtc()).toString(Qt::ISODate).toUtf8(),
        csvField(row.logger),
        csvField(row.via),
        csvField(row.result),
        QByteArray::number(row.lines),
        QByteArray::number(row.bytes),
        QByteArray::number(row.seconds, 'f', 1),
        row.driftSeconds ? QByteArray::number(*row.driftSeconds) : QByteArray(),
        row.cable ? "cable" : "station",
    };
    return fields.join(',') + "\r\n";
}

std::optional<Row> parseLine(const QByteArray& text)
{
    const auto fields = csvFields(QString::fromUtf8(text).trimmed());
    if (!fields || fields->size() != 9)
        return std::nullopt;
    const QStringList& f = *fields;
    Row row;
    row.time = QDateTime::fromString(f[0], Qt::ISODate);
    bool linesOk = false;
    bool bytesOk = false;
    bool secondsOk = false;
    row.logger = f[1];
    row.via = f[2];
    row.result = f[3];
    row.lines = f[4].toLongLong(&linesOk);
    row.bytes = f[5].toLongLong(&bytesOk);
    row.seconds = f[6].toDouble(&secondsOk);
    if (!f[7].isEmpty()) {
        bool ok = false;
        row.driftSeconds = f[7].toLongLong(&ok);
        if (!ok)
            return std::nullopt;
    }
    row.cable = f[8] == QLatin1String("cable");
    if (!row.time.isValid() || !linesOk || !bytesOk || !secondsOk ||
        (!row.cable && f[8] != QLatin1String("station")) || row.via.isEmpty())
        return std::nullopt;
    return row;
}

bool append(const QString& folder, const QList<Row>& rows, QString* error)
{
    const QDir dir(folder);
    QLockFile lock(dir.filePath(QStringLiteral("collect-history.lock")));
    lock.setStaleLockTime(30000);
    if (!lock.tryLock(kLockWaitMs)) {
        *error = QStringLiteral("its lock %1 is held by another run")
                     .arg(QDir::toNativeSeparators(dir.filePath("collect-history.lock")));
        return false;
    }
    QByteArray text;
    for (const Row& row : rows)
        text += line(row);
    const QString path = dir.filePath(kFileName);
    // Put aside whole, by a rename, never cut: a reader sees one file or the other.
    if (QFileInfo(path).size() + text.size() > kRotateAt && QFileInfo(path).size() > 0) {
        const QString rotated = dir.filePath(kRotatedName);
        QFile::remove(rotated);
        if (!QFile::rename(path, rotated)) {
            *error = QStringLiteral("%1 cannot be renamed %2")
                         .arg(QDir::toNativeSeparators(path), kRotatedName);
            return false;
        }
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Append)) {
        *error = QDir::toNativeSeparators(path) + QStringLiteral(": ") + file.errorString();
        return false;
    }
    if (file.size() == 0) {
        text.prepend(kHeader + "\r\n");
    } else if (file.seek(file.size() - 1) && file.read(1) != "\n") {
        text.prepend("\r\n"); // a line a crash cut short stays a line of its own
    }
    if (file.write(text) != text.size() || !file.flush()) {
        *error = QDir::toNativeSeparators(path) + QStringLiteral(": ") + file.errorString();
        return false;
    }
    return true;
}

QList<Row> load(const QString& folder)
{
    QList<Row> rows;
    for (const QString& name : {kRotatedName, kFileName}) {
        QFile file(QDir(folder).filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        // Bounded by the rotation; a file grown past it by other hands is read from its end.
        if (file.size() > 4 * kRotateAt)
            file.seek(file.size() - 4 * kRotateAt);
        while (!file.atEnd()) {
            if (const auto row = parseLine(file.readLine()))
                rows << *row;
        }
    }
    return rows;
}

QList<Status> status(const StationTable* stations, const QList<Row>& rows)
{
    QList<Status> out;
    if (stations) {
        for (const Station& s : *stations) {
            if (!s.Nome.trimmed().isEmpty())
                out << Status{QString(), s.Nome.trimmed(), false, {}, {}};
        }
    }
    const auto find = [&out](const Row& row) -> Status* {
        for (Status& s : out) {
            if (s.cable == row.cable && s.via == row.via)
                return &s;
        }
        return nullptr;
    };
    for (const Row& row : rows) {
        Status* s = find(row);
        if (!s && row.cable) {
            out << Status{QString(), row.via, true, {}, {}};
            s = &out.last();
        }
        if (!s)
            continue; // a station no longer in the list
        // By time, not by place: two runs at once append in the order they end.
        const auto later = [&row](const std::optional<Row>& than) {
            return !than || row.time >= than->time;
        };
        if (row.collected() && later(s->lastCollected))
            s->lastCollected = row;
        if (!later(s->last))
            continue;
        s->last = row;
        if (!row.logger.isEmpty())
            s->logger = row.logger;
    }
    return out;
}

bool quiet(const Status& s, const QDateTime& now, double maxAgeHours)
{
    return !s.lastCollected || s.lastCollected->time.secsTo(now) > maxAgeHours * 3600;
}

QString statusLine(const Status& s, const QDateTime& now, std::optional<double> maxAgeHours)
{
    const auto field = [](QString value) {
        value.replace(u'\t', u' ');
        return value.isEmpty() ? QStringLiteral("-") : value;
    };
    const QStringList fields = {
        QStringLiteral("logger=") + field(s.logger.isEmpty() ? s.via : s.logger),
        QStringLiteral("via=") + field(s.via),
        QStringLiteral("last-collected=") + (s.lastCollected
                                                 ? s.lastCollected->time.toString(Qt::ISODate)
                                                 : QStringLiteral("never")),
        QStringLiteral("age=") + (s.lastCollected ? ageText(*s.lastCollected, now) : "-"),
        QStringLiteral("last-result=") +
            field(s.last ? s.last->result : QStringLiteral("never tried")),
        QStringLiteral("state=") +
            (maxAgeHours
                 ? (quiet(s, now, *maxAgeHours) ? QStringLiteral("quiet") : QStringLiteral("ok"))
                 : QStringLiteral("-")),
    };
    return fields.join(u'\t');
}

} // namespace korvelan::collecthistory
