#include "link/MemoryChannel.h"

namespace korvelan {

MemoryChannel::MemoryChannel(LinkPeer& peer, Clock& clock, QObject* parent)
    : Channel(parent), m_peer(peer), m_clock(clock)
{}

bool MemoryChannel::open(const LineSettings& settings, QString* error)
{
    // The faults and texts a serial port gives.
    const auto fail = [&](PortFault fault, const char* text) {
        m_fault = fault;
        if (error)
            *error = QString::fromLatin1(text);
        return false;
    };
    if (!m_existing.isEmpty() && !m_existing.contains(m_name))
        return fail(PortFault::Missing, "No such file or directory");
    if (m_busy.contains(m_name))
        return fail(PortFault::Busy, "Device or resource busy");
    m_fault = PortFault::None;
    m_settings = settings;
    m_open = true;
    m_dtr = settings.dtr;
    ++m_openCount;
    m_input.clear();
    m_peer.take(m_clock.now()); // what the device said while nobody listened is gone
    return true;
}

void MemoryChannel::close()
{
    if (m_open)
        m_peer.portClosed(m_clock.now());
    m_open = false;
    m_input.clear();
}

void MemoryChannel::pull()
{
    if (!m_open)
        return;
    const auto now = m_clock.now();
    m_input += m_peer.take(now);
    if (m_peer.droppedBy(now)) {
        m_open = false;
        emit lost();
    }
}

qint64 MemoryChannel::bytesWaiting()
{
    pull();
    return m_input.size();
}

QByteArray MemoryChannel::readAll()
{
    pull();
    return std::exchange(m_input, {});
}

QByteArray MemoryChannel::read(qint64 maxBytes)
{
    pull();
    const QByteArray part = m_input.left(maxBytes);
    m_input.remove(0, part.size());
    return part;
}

bool MemoryChannel::write(const QByteArray& bytes)
{
    if (!m_open)
        return false;
    m_peer.receive(bytes, m_clock.now());
    return true;
}

void MemoryChannel::discardInput()
{
    pull();
    m_input.clear();
}

} // namespace korvelan
