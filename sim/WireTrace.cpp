#include "sim/WireTrace.h"

#include <QFile>

namespace korvelan::sim {

void WireTrace::record(Direction direction, char value, TimePoint at)
{
    const TracedByte traced{at, direction, value};
    if (m_limit > 0) {
        if (m_bytes.size() >= m_limit)
            m_bytes.pop_front();
        m_bytes.push_back(traced);
    }
    if (m_sink)
        m_sink(traced);
}

void WireTrace::record(Direction direction, const QByteArray& bytes, TimePoint at)
{
    for (const char c : bytes)
        record(direction, c, at);
}

QByteArray WireTrace::collect(Direction direction) const
{
    QByteArray out;
    for (const auto& b : m_bytes)
        if (b.direction == direction)
            out += b.value;
    return out;
}

QString WireTrace::escaped(const QByteArray& bytes)
{
    QString text;
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7f && c != '<')
            text += QChar(c);
        else
            text += QStringLiteral("<%1>").arg(u, 2, 16, QChar('0')).toUpper();
    }
    return text;
}

QString WireTrace::formatLine(TimePoint origin, TimePoint at, Direction direction,
                              const QByteArray& bytes)
{
    const double seconds = std::chrono::duration<double>(at - origin).count();
    return QStringLiteral("%1 %2 %3\n")
        .arg(seconds, 11, 'f', 6)
        .arg(direction == Direction::ToDevice ? QStringLiteral("->") : QStringLiteral("<-"))
        .arg(escaped(bytes));
}

QString WireTrace::format(TimePoint origin) const
{
    QString text;
    QByteArray run;
    const TracedByte* first = nullptr;
    for (const auto& b : m_bytes) {
        if (first && (b.direction != first->direction || b.at != first->at)) {
            text += formatLine(origin, first->at, first->direction, run);
            run.clear();
        }
        if (run.isEmpty())
            first = &b;
        run += b.value;
    }
    if (first)
        text += formatLine(origin, first->at, first->direction, run);
    return text;
}

bool WireTrace::writeTo(const QString& path, TimePoint origin) const
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return false;
    return file.write(format(origin).toLatin1()) >= 0;
}

} // namespace korvelan::sim
