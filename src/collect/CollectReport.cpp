#include "collect/CollectReport.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

namespace korvelan::collectreport {

namespace {

// Tabs and line ends inside a value would split the line.
QString field(const QString& value)
{
    QString out = value;
    for (QChar& c : out) {
        if (c == u'\t' || c == u'\n' || c == u'\r')
            c = u' ';
    }
    return out.isEmpty() ? QStringLiteral("-") : out;
}

qint64 collectedCount(const QList<LoggerReport>& reports)
{
    return std::count_if(reports.cbegin(), reports.cend(),
                         [](const LoggerReport& r) { return r.collected; });
}

} // namespace

int exitCode(const QList<LoggerReport>& reports)
{
    const qint64 collected = collectedCount(reports);
    const bool clean = std::all_of(reports.cbegin(), reports.cend(), [](const LoggerReport& r) {
        return r.collected && r.hungUp.value_or(true);
    });
    if (collected > 0 && clean)
        return 0;
    return collected > 0 ? 1 : 2;
}

QString summaryLine(const LoggerReport& r)
{
    const QString result = QStringList(QStringList{r.result} + r.notes).join(QStringLiteral("; "));
    const QStringList fields = {
        QStringLiteral("logger=") + field(r.logger.isEmpty() ? r.via : r.logger),
        QStringLiteral("via=") + field(r.via),
        QStringLiteral("file=") + field(QDir::toNativeSeparators(r.file)),
        QStringLiteral("lines=%1").arg(r.lines),
        QStringLiteral("bytes=%1").arg(r.bytes),
        QStringLiteral("seconds=%1").arg(r.seconds, 0, 'f', 1),
        QStringLiteral("result=") + field(result),
    };
    return fields.join(u'\t');
}

QByteArray json(const QList<LoggerReport>& reports)
{
    QJsonArray loggers;
    for (const LoggerReport& r : reports) {
        QJsonObject o{
            {QStringLiteral("logger"), r.logger},
            {QStringLiteral("via"), r.via},
            {QStringLiteral("file"),
             r.file.isEmpty() ? QJsonValue() : QDir::toNativeSeparators(r.file)},
            {QStringLiteral("lines"), r.lines},
            {QStringLiteral("bytes"), r.bytes},
            {QStringLiteral("seconds"), qRound(r.seconds * 10) / 10.0},
            {QStringLiteral("collected"), r.collected},
            {QStringLiteral("result"), r.result},
            {QStringLiteral("notes"), QJsonArray::fromStringList(r.notes)},
            {QStringLiteral("attempts"), r.attempts},
        };
        if (r.hungUp)
            o.insert(QStringLiteral("hungUp"), *r.hungUp);
        if (r.driftSeconds) {
            o.insert(QStringLiteral("clockDriftSeconds"), *r.driftSeconds);
            o.insert(QStringLiteral("clockSet"), r.clockSet);
        }
        loggers.append(o);
    }
    const QJsonObject root{
        {QStringLiteral("exit"), exitCode(reports)},
        {QStringLiteral("collected"), collectedCount(reports)},
        {QStringLiteral("loggers"), loggers},
    };
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

QByteArray jsonError(const QString& error)
{
    const QJsonObject root{{QStringLiteral("exit"), 2}, {QStringLiteral("error"), error}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

} // namespace korvelan::collectreport
