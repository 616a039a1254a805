#pragma once

#include "link/Channel.h"

#include <QSerialPort>

namespace korvelan {

class SerialChannel final : public Channel
{
    Q_OBJECT
public:
    explicit SerialChannel(QObject* parent = nullptr);

    void setPortName(const QString& name) override;
    [[nodiscard]] QString portName() const override;
    bool open(const LineSettings& settings, QString* error) override;
    [[nodiscard]] PortFault openFault() const override { return m_fault; }
    void close() override;
    [[nodiscard]] bool isOpen() const override;
    void setDtr(bool on) override;
    void setRts(bool on) override;
    [[nodiscard]] qint64 bytesWaiting() override;
    QByteArray readAll() override;
    QByteArray read(qint64 maxBytes) override;
    bool write(const QByteArray& bytes) override;
    void discardInput() override;

private:
    void onError(QSerialPort::SerialPortError error);

    QSerialPort m_port;
    QString m_name; // as given: Qt shortens /dev/ttyUSB0 to ttyUSB0
    PortFault m_fault = PortFault::None;
};

} // namespace korvelan
