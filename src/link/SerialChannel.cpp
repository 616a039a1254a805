#include "link/SerialChannel.h"

#include <QFile>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace korvelan {

namespace {

// Qt reports a device that another program holds and one the user may not open alike, as a
// permission error; whether the user may read and write the device tells them apart. On
// Windows a port is refused only when another program has it.
PortFault faultOf(QSerialPort::SerialPortError error, const QString& name)
{
    switch (error) {
    case QSerialPort::NoError:
        return PortFault::None;
    case QSerialPort::DeviceNotFoundError:
        return PortFault::Missing;
    case QSerialPort::PermissionError: {
#ifdef Q_OS_UNIX
        const QString path = name.startsWith(u'/') ? name : QStringLiteral("/dev/") + name;
        if (::access(QFile::encodeName(path).constData(), R_OK | W_OK) != 0)
            return PortFault::Denied;
#else
        (void)name;
#endif
        return PortFault::Busy;
    }
    default:
        return PortFault::Other;
    }
}

} // namespace

SerialChannel::SerialChannel(QObject* parent) : Channel(parent)
{
    connect(&m_port, &QSerialPort::readyRead, this, &Channel::inputArrived);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialChannel::onError);
}

void SerialChannel::setPortName(const QString& name)
{
    // QSerialPort takes a bare name as a device under /dev; a full path is used as it is.
    m_name = name;
    m_port.setPortName(name);
}

QString SerialChannel::portName() const
{
    return m_name;
}

bool SerialChannel::open(const LineSettings& settings, QString* error)
{
    if (m_port.isOpen())
        m_port.close();
    m_port.setBaudRate(settings.baudRate);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port.open(QIODevice::ReadWrite)) {
        m_fault = faultOf(m_port.error(), m_name);
        if (error)
            *error = m_port.errorString();
        m_port.clearError();
        return false;
    }
    m_fault = PortFault::None;
    setDtr(settings.dtr);
    return true;
}

void SerialChannel::close()
{
    if (m_port.isOpen())
        m_port.close();
    m_port.clearError();
}

bool SerialChannel::isOpen() const
{
    return m_port.isOpen();
}

void SerialChannel::setDtr(bool on)
{
    // A pseudo-terminal has no modem lines and answers "Inappropriate ioctl for device":
    // that is not a failure of the link.
    if (m_port.isOpen() && !m_port.setDataTerminalReady(on))
        m_port.clearError();
}

void SerialChannel::setRts(bool on)
{
    if (m_port.isOpen() && !m_port.setRequestToSend(on))
        m_port.clearError();
}

qint64 SerialChannel::bytesWaiting()
{
    return m_port.isOpen() ? m_port.bytesAvailable() : 0;
}

QByteArray SerialChannel::readAll()
{
    return m_port.isOpen() ? m_port.readAll() : QByteArray();
}

QByteArray SerialChannel::read(qint64 maxBytes)
{
    return m_port.isOpen() ? m_port.read(maxBytes) : QByteArray();
}

bool SerialChannel::write(const QByteArray& bytes)
{
    if (!m_port.isOpen())
        return false;
    if (m_port.write(bytes) != bytes.size())
        return false;
    // Hand the bytes to the device now: the pacing of parameter characters is measured on
    // the wire, not in our buffer.
    m_port.flush();
    return m_port.isOpen();
}

void SerialChannel::discardInput()
{
    if (!m_port.isOpen())
        return;
    m_port.readAll();
    if (!m_port.clear(QSerialPort::Input))
        m_port.clearError();
}

void SerialChannel::onError(QSerialPort::SerialPortError error)
{

    switch (error) {
    case QSerialPort::NoError:
    case QSerialPort::UnsupportedOperationError: // modem lines on a pseudo-terminal
    case QSerialPort::OpenError:
    case QSerialPort::DeviceNotFoundError:
    case QSerialPort::PermissionError:
        return; // reported by open() or harmless
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError:
        // The device went away (a read that fails or finds the end of a pseudo-terminal whose
        // other side closed). Left open, the port would report the error over and over from
        // its read notifier; close it once and say so.
        if (m_port.isOpen()) {
            m_port.close();
            m_port.clearError();
            emit lost();
        }
        return;
    default:
        m_port.clearError();
        return;
    }
}

} // namespace korvelan
