#include "remote/CarrierWatch.h"

namespace korvelan {

namespace {

bool endsLine(char c)
{
    return c == '\r' || c == '\n';
}

} // namespace

CarrierWatch::CarrierWatch(Channel& line, Clock& clock, QObject* parent)
    : Channel(parent), m_line(line), m_clock(clock)
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
        m_held.clear();
        emit lost();
    });
}

void CarrierWatch::forget()
{
    m_input.clear();
    m_held.clear();
    m_lineStart = true;
}

void CarrierWatch::watchCall(bool on)
{
    // What was held back is data either way: the watch only decides what it is from now on.
    release(m_held.size());
    m_watching = on;
    m_lineStart = true;
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
    forget();
    return m_line.open(settings, error);
}

void CarrierWatch::close()
{
    forget();
    m_line.close();
}

void CarrierWatch::release(qsizetype n)
{
    if (n <= 0)
        return;
    m_input += m_held.left(n);
    m_lineStart = endsLine(m_held.at(n - 1));
    m_held.remove(0, n);
}

void CarrierWatch::pull()
{
    if (m_dropped || !m_line.isOpen())
        return;
    const QByteArray fresh = m_line.readAll();
    if (fresh.isEmpty()) {
        if (!m_held.isEmpty() && m_clock.now() - m_lastInput >= kHoldLimit)
            release(m_held.size());
        return;
    }
    if (!m_watching) {
        m_input += fresh;
        return;
    }
    m_held += fresh;
    m_lastInput = m_clock.now();
    frame();
}

void CarrierWatch::frame()
{
    const qsizetype size = m_held.size();
    const qsizetype word = kNoCarrier.size();
    for (qsizetype i = 0; i <= size; ++i) {
        if (!(i == 0 ? m_lineStart : endsLine(m_held.at(i - 1))))
            continue;
        const QByteArrayView rest = QByteArrayView(m_held).sliced(i, std::min(word + 1, size - i));
        const bool whole =
            rest.size() > word && rest.startsWith(kNoCarrier) && endsLine(rest[word]);
        const bool maybe = rest.size() <= word && kNoCarrier.startsWith(rest);
        if (!whole && !maybe)
            continue;
        // The CR LF before the result is the modem's; a lone CR at the end may become one.
        qsizetype from = i;
        if (i >= 2 && m_held.at(i - 2) == '\r' && m_held.at(i - 1) == '\n')
            from = i - 2;
        else if (!whole && i == size && i >= 1 && m_held.at(i - 1) == '\r')
            from = i - 1;
        release(from);
        if (!whole)
            return;
        m_held.clear();
        m_dropped = true;
        m_watching = false;
        m_line.close();
        emit lost();
        return;
    }
    release(size);
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
    m_held.clear();
    m_line.discardInput();
}

} // namespace korvelan
