#include "measurement/MeasurementFile.h"

#include <QFile>

namespace korvelan {

bool MeasurementFile::create()
{
    return write({}, true);
}

bool MeasurementFile::append(const QStringList& lines)
{
    return write(lines, false);
}

bool MeasurementFile::write(const QStringList& lines, bool truncate)
{
    QFile file(m_path);
    const auto mode = QIODevice::WriteOnly | (truncate ? QIODevice::Truncate : QIODevice::Append);
    if (!file.open(mode)) {
        m_error = file.errorString();
        return false;
    }
    QByteArray bytes;
    for (const auto& line : lines)
        bytes += line.toLatin1() + "\r\n";
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        m_error = file.errorString();
        return false;
    }
    file.close();
    if (file.error() != QFileDevice::NoError) {
        m_error = file.errorString();
        return false;
    }
    return true;
}

} // namespace korvelan
