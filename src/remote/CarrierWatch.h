#pragma once

#include "link/Channel.h"

namespace korvelan {

// The program's serial port as seen through a modem call. While a call is up, the modem's
// "NO CARRIER" in the input means the line to the logger is gone: the port is closed and
// reported lost, exactly as when a cable adapter is pulled out, so every exchange and download
// ends the way it does for a lost cable. The modem's words never reach the readers, and the
// port does not open again until the modem window takes it back for a new call.
//
// Without a call, bytes pass unchanged.
class CarrierWatch final : public Channel
{
    Q_OBJECT
public:
    static inline const QByteArray kNoCarrier = QByteArrayLiteral("NO CARRIER");

    explicit CarrierWatch(Channel& line, QObject* parent = nullptr);

    // A call is up (true), or the modem window takes the port back (false, which also
    // forgets a call that dropped).
    void watchCall(bool on);
    [[nodiscard]] bool watching() const { return m_watching; }
    [[nodiscard]] bool callDropped() const { return m_dropped; }

    void setPortName(const QString& name) override { m_line.setPortName(name); }
    [[nodiscard]] QString portName() const override { return m_line.portName(); }
    bool open(const LineSettings& settings, QString* error) override;
    void close() override;
    // After the call dropped, the port stays open only until what came before is read.
    [[nodiscard]] bool isOpen() const override
    {
        return m_dropped ? !m_input.isEmpty() : m_line.isOpen();
    }
    void setDtr(bool on) override { m_line.setDtr(on); }
    void setRts(bool on) override { m_line.setRts(on); }
    [[nodiscard]] qint64 bytesWaiting() override;
    QByteArray readAll() override;
    QByteArray read(qint64 maxBytes) override;
    bool write(const QByteArray& bytes) override;
    void discardInput() override;

private:
    // Takes what the port has received, looking for the end of the call.
    void pull();

    Channel& m_line;
    QByteArray m_input;
    QByteArray m_tail; // the end of what was seen, for words split between two reads
    bool m_watching = false;
    bool m_dropped = false;
};

} // namespace korvelan
