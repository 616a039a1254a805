#include "link/LoggedChannel.h"

#include "link/LinkLog.h"

namespace korvelan {

LoggedChannel::LoggedChannel(Channel& inner, LinkLog& log, QObject* parent)
    : Channel(parent), m_inner(inner), m_log(log)
{
    connect(&inner, &Channel::inputArrived, this, &Channel::inputArrived);
    connect(&inner, &Channel::lost, this, [this] {
        m_log.note(QStringLiteral("%1: the device went away").arg(m_inner.portName()));
        emit lost();
    });
}

bool LoggedChannel::open(const LineSettings& settings, QString* error)
{
    QString reason;
    const bool opened = m_inner.open(settings, &reason);
    m_log.note(opened ? QStringLiteral("%1 opened, %2 baud").arg(portName()).arg(settings.baudRate)
                      : QStringLiteral("%1 cannot be opened: %2").arg(portName(), reason));
    if (error)
        *error = reason;
    return opened;
}

void LoggedChannel::close()
{
    if (m_inner.isOpen())
        m_log.note(QStringLiteral("%1 closed").arg(portName()));
    m_inner.close();
}

QByteArray LoggedChannel::readAll()
{
    QByteArray bytes = m_inner.readAll();
    m_log.received(bytes);
    return bytes;
}

QByteArray LoggedChannel::read(qint64 maxBytes)
{
    QByteArray bytes = m_inner.read(maxBytes);
    m_log.received(bytes);
    return bytes;
}

bool LoggedChannel::write(const QByteArray& bytes)
{
    const bool written = m_inner.write(bytes);
    m_log.sent(bytes);
    if (!written)
        m_log.note(QStringLiteral("%1: the write failed").arg(portName()));
    return written;
}

void LoggedChannel::discardInput()
{
    // What is thrown away is shown too: late bytes of an earlier reply tell a lot.
    const QByteArray dropped = m_inner.readAll();
    m_inner.discardInput();
    if (!dropped.isEmpty())
        m_log.note(QStringLiteral("discarded: ") + LinkLog::readable(dropped));
}

} // namespace korvelan
