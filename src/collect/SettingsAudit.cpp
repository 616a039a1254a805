#include "collect/SettingsAudit.h"

#include "collect/CollectReport.h"
#include "common/FieldOrigin.h"
#include "download/DataFileName.h"
#include "download/FileUtilities.h"
#include "settings/SettingsReader.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

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

// Saves under the next free name of `name` without ever replacing a file: another port's
// collector of a logger answering the same name may take the same free name meanwhile, and
// then the next one is tried.
bool saveAsNew(const QString& folder, const QString& name, const settings::SettingsSet& set,
               QString* path, QString* error)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        *path = nextFreePath(folder, name);
        if (path->isEmpty()) {
            *error = QStringLiteral("no free file name");
            return false;
        }
        QTemporaryFile temp(QDir(folder).filePath(QStringLiteral(".settings-XXXXXX")));
        const QByteArray text = settings::toText(set);
        if (!temp.open() || temp.write(text) != text.size() || !temp.flush()) {
            *error = temp.errorString();
            return false;
        }
        temp.close();
        temp.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                            QFileDevice::ReadGroup | QFileDevice::ReadOther);
        if (moveFile(temp.fileName(), *path, false, error)) {
            temp.setAutoRemove(false);
            return true;
        }
        if (!QFileInfo::exists(*path))
            return false; // a real failure, not a name taken meanwhile
    }
    return false;
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
    QString path;
    QString error;
    if (!saveAsNew(folder, fileName(read.set.logger, today), read.set, &path, &error)) {
        report.notes << QStringLiteral("settings not saved: ") + error;
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
