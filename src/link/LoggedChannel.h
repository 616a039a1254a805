#pragma once

#include "link/Channel.h"

namespace korvelan {

class LinkLog;

// A channel that tells a link log everything that passes through another channel: the bytes
// each way (what a discard throws away too), and the port opening, closing and getting lost.
class LoggedChannel final : public Channel
{
    Q_OBJECT
public:
    LoggedChannel(Channel& inner, LinkLog& log, QObject* parent = nullptr);

    void setPortName(const QString& name) override { m_inner.setPortName(name); }
    [[nodiscard]] QString portName() const override { return m_inner.portName(); }
    bool open(const LineSettings& settings, QString* error) override;
    [[nodiscard]] PortFault openFault() const override { return m_inner.openFault(); }
    void close() override;
    [[nodiscard]] bool isOpen() const override { return m_inner.isOpen(); }
    void setDtr(bool on) override { m_inner.setDtr(on); }
    void setRts(bool on) override { m_inner.setRts(on); }
    [[nodiscard]] qint64 bytesWaiting() override { return m_inner.bytesWaiting(); }
    QByteArray readAll() override;
    QByteArray read(qint64 maxBytes) override;
    bool write(const QByteArray& bytes) override;
    void discardInput() override;

private:
    Channel& m_inner;
    LinkLog& m_log;
};

} // namespace korvelan
