#pragma once

#include <QString>
#include <QStringList>

namespace korvelan {

// The measurement file of a continuous run. Every write opens the file for appending, writes
// whole lines ended by CR LF and closes it again, so each completed cycle is on disk at once
// and a failed write never touches what is already there.
class MeasurementFile
{
public:
    explicit MeasurementFile(QString path) : m_path(std::move(path)) {}

    [[nodiscard]] const QString& path() const { return m_path; }
    // Creates the file empty; false (see error()) when it cannot be created.
    bool create();
    bool append(const QStringList& lines);
    bool append(const QString& line) { return append(QStringList{line}); }
    // Why the last write failed.
    [[nodiscard]] const QString& error() const { return m_error; }

private:
    bool write(const QStringList& lines, bool truncate);

    QString m_path;
    QString m_error;
};

} // namespace korvelan
