#pragma once

#include <QDate>
#include <QString>

namespace korvelan {

class Transport;
struct LoggerReport;

// --save-settings: the logger's settings saved beside its data, and what changed since the
// last file saved of the same logger reached the same way, in the report's notes: a nightly
// audit of every station's configuration.
struct SettingsAudit
{
    QString folder;  // where the data files go
    QString reached; // how the logger was reached: two stations answering one name stay apart
    QDate today;

    // NAME_dd_mm_yy_SETTINGS.txt, named as the day's data file is.
    [[nodiscard]] static QString fileName(const QString& logger, const QDate& today);

    // Reads every setting within the action under way and notes what became of them.
    void run(Transport& transport, LoggerReport& report) const;
};

} // namespace korvelan
