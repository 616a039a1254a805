#pragma once

#include "link/PortFault.h"

#include <QByteArray>
#include <QObject>
#include <QString>

namespace korvelan {

struct LineSettings
{
    qint32 baudRate = 9600; // "9600,N,8,1", no handshaking
    bool dtr = true;
};

// A byte stream to a logger or a modem: a serial port, or an emulator in tests.
// Input is buffered by the channel; bytesWaiting() tells how much can be read now.
class Channel : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~Channel() override = default;

    virtual void setPortName(const QString& name) = 0;
    [[nodiscard]] virtual QString portName() const = 0;
    // Opens with the given line settings; on failure returns false and fills *error with the
    // system's description of the fault.
    virtual bool open(const LineSettings& settings, QString* error) = 0;
    // The kind of fault that kept the last open() from succeeding; None after a success.
    [[nodiscard]] virtual PortFault openFault() const { return PortFault::Other; }
    virtual void close() = 0;
    [[nodiscard]] virtual bool isOpen() const = 0;
    // Modem lines; a device without them (a pseudo-terminal) refuses quietly.
    virtual void setDtr(bool on) = 0;
    virtual void setRts(bool on) = 0;

    [[nodiscard]] virtual qint64 bytesWaiting() = 0;
    virtual QByteArray readAll() = 0;
    virtual QByteArray read(qint64 maxBytes) = 0;
    virtual bool write(const QByteArray& bytes) = 0;
    virtual void discardInput() = 0;

signals:
    void inputArrived();
    // The device went away (cable adapter unplugged, other side of a pty closed).
    // Emitted once; the channel is closed by then.
    void lost();
};

} // namespace korvelan
