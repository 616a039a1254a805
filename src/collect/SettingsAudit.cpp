#include "collect/SettingsAudit.h"

#include "collect/CollectReport.h"
#include "common/FieldOrigin.h"
#include "download/DataFileName.h"
#include "settings/SettingsReader.h"

#include <QDir>
#include <QFileInfo>

namespace korvelan {

namespace {

// The newest file saved of this logger, reached this way: by modification time, so the
// newest is read first and the rest are not read at all.
std::optional<settings::SettingsSet> previous(const QString& folder, const QString& logger,
                                              const QString& reached)
{
    const QString pattern = safeFileNamePart(logger) + QStringLiteral("_*_SETTINGS*.txt");
    const QFileInfoList files = QDir(folder).entryInfoList({pattern}, QDir::Files, QDir::Time);
    for (const QFileInfo& file : files) {
        const auto parsed = settings::load(file.filePath());
        if (parsed.set && parsed.set->logger == logger && parsed.set->reached == reached)
            return parsed.set;
    }
    return std::nullopt;
}

} // namespace

QString SettingsAudit::fileName(const QString& logger, const QDate& today)
{
    static const QString kData = QStringLiteral("SENS.txt");
    return dataFileName(logger, today).chopped(kData.size()) + QStringLiteral("SETTINGS.txt");
}

void SettingsAudit::run(Transport& transport, LoggerReport& report) const
{
    settings::ReadResult read = settings::Reader(transport).read();
    if (read.cancelled) {
        report.notes << QStringLiteral("settings not saved: stopped while reading them");
        return;
    }
    if (!read.unknown.isEmpty()) {
        report.notes << QStringLiteral("settings not saved: no answer, or a garbled one, for ") +
                            fieldList(read.unknown);
        return;
    }
    read.set.reached = reached;
    const auto before = previous(folder, read.set.logger, reached);
    const QString path = nextFreePath(folder, fileName(read.set.logger, today));
    QString error;
    if (path.isEmpty() || !settings::save(path, read.set, &error)) {
        report.notes << QStringLiteral("settings not saved: ") +
                            (path.isEmpty() ? QStringLiteral("no free file name") : error);
        return;
    }
    report.notes << QStringLiteral("settings=") + QDir::toNativeSeparators(path);
    if (!before)
        return;
    const auto changed = settings::compare(read.set, *before);
    const QString since = before->saved.toString(QStringLiteral("dd/MM/yyyy HH:mm"));
    report.notes << (changed.isEmpty() ? QStringLiteral("settings unchanged since %1").arg(since)
                                       : QStringLiteral("settings changed since %1: %2")
                                             .arg(since, settings::differenceList(changed)));
}

} // namespace korvelan
