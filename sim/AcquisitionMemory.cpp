#include "sim/AcquisitionMemory.h"

#include <algorithm>

namespace korvelan::sim {

void AcquisitionMemory::setCapacity(int acquisitions)
{
    m_capacity = std::clamp(acquisitions, 1, kMaxCapacity);
    if (stored() > m_capacity)
        m_lines.resize(static_cast<std::size_t>(m_capacity));
}

bool AcquisitionMemory::append(Acquisition acquisition)
{
    if (isFull() && !m_wrapping)
        return false;
    if (isFull())
        m_lines.erase(m_lines.begin());
    m_lines.push_back(std::move(acquisition));
    return true;
}

QStringList AcquisitionMemory::lines() const
{
    QStringList out;
    out.reserve(stored());
    for (const auto& a : m_lines)
        out.append(a.text);
    return out;
}

void AcquisitionMemory::setLines(const QStringList& lines)
{
    m_lines.clear();
    for (const auto& line : lines) {
        if (isFull())
            break;
        m_lines.push_back(Acquisition{stampOf(line), line});
    }
}

QStringList AcquisitionMemory::linesBetween(const QDateTime& from, const QDateTime& to) const
{
    QStringList out;
    if (!from.isValid() || !to.isValid())
        return out;
    for (const auto& a : m_lines)
        if (a.at.isValid() && a.at >= from && a.at <= to)
            out.append(a.text);
    return out;
}

QDateTime AcquisitionMemory::stampOf(const QString& line)
{
    // The logger's clock is a plain wall clock: no time zone, no daylight saving.
    QDateTime at = QDateTime::fromString(line.left(kStampFormat.size()), kStampFormat);
    at.setTimeSpec(Qt::UTC);
    return at;
}

} // namespace korvelan::sim
