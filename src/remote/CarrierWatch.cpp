#include "remote/CarrierWatch.h"

namespace korvelan {

CarrierWatch::CarrierWatch(Channel& line, QObject* parent) : Channel(parent), m_line(line)
{
    connect(&m_line, &Channel::inputArrived, this, [this] {
        // Looked at at once, so a call that drops while nothing is asked is noticed too.
        if (m_watching)
            pull();
        if (!m_dropped)
            emit inputArrived();
    });
    connect(&m_line, &Channel::lost, this, [this] {
        m_input.clear();
        emit lost();
    });
}

void CarrierWatch::watchCall(bool on)
{
    m_watching = on;
    m_tail.clear();
    if (!on)
        m_dropped = false;
}

bool CarrierWatch::open(const LineSettings& settings, QString* error)
{
    if (m_dropped) {
        if (error)
            *error = QStringLiteral("The modem reported NO CARRIER: the call to the station has "
                                    "ended.");
        return false;
    }
    m_input.clear();
    m_tail.clear();
    return m_line.open(settings, error);
}

void CarrierWatch::close()
{
    m_input.clear();
    m_line.close();
}

void CarrierWatch::pull()
{
    if (m_dropped || !m_line.isOpen())
        return;
    const QByteArray fresh = m_line.readAll();
    if (fresh.isEmpty())
        return;
    if (!m_watching) {
        m_input += fresh;
        return;
    }
    const QByteArray seen = m_tail + fresh;
    qsizetype at = seen.indexOf(kNoCarrier);
    if (at < 0) {
        m_input += fresh;
        m_tail = seen.right(kNoCarrier.size() + 1);
        return;
    }
    // The CR LF that opens the result code is the modem's too.
    if (at >= 2 && seen.mid(at - 2, 2) == "\r\n")
        at -= 2;
    m_input += fresh.left(std::max<qsizetype>(0, at - m_tail.size()));
    m_dropped = true;
    m_watching = false;
    m_line.close();
    emit lost();
}

qint64 CarrierWatch::bytesWaiting()
{
    pull();
    return m_input.size();
}

QByteArray CarrierWatch::readAll()
{
    pull();
    return std::exchange(m_input, {});
}

QByteArray CarrierWatch::read(qint64 maxBytes)
{
    pull();
    const QByteArray part = m_input.left(maxBytes);
    m_input.remove(0, part.size());
    return part;
}

bool CarrierWatch::write(const QByteArray& bytes)
{
    return !m_dropped && m_line.write(bytes);
}

void CarrierWatch::discardInput()
{
    pull();
    m_input.clear();
    m_line.discardInput();
}

} // namespace korvelan
