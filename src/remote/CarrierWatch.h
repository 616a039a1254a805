#pragma once

#include "link/Channel.h"
#include "link/Clock.h"

namespace korvelan {

// The program's serial port as seen through a modem call. While a call is up, the modem's
// "NO CARRIER" on a line of its own means the line to the logger is gone: the port is closed
// and reported lost, exactly as when a cable adapter is pulled out, so every exchange and
// download ends the way it does for a lost cable. The port does not open again until the modem
// window takes it back for a new call.
//
// No byte of the modem's words reaches the readers, nor the CR LF the modem puts before them:
// that CR LF is not the end of the logger's line, so a line cut by the drop stays unfinished
// instead of being read as whole. Bytes that may be the start of such a result (a line end,
// then the first letters) are held back until what follows settles it; "NO CARRIER" inside
// the logger's own text (a channel name, an SMS text) is data. A line end that nothing follows
// is passed on once the line has been quiet for kHoldLimit.
//
// Without a call, bytes pass unchanged.
class CarrierWatch final : public Channel
{
    Q_OBJECT
public:
    static inline const QByteArray kNoCarrier = QByteArrayLiteral("NO CARRIER");
    // A modem says its result in one piece: longer than this, and a line end was the logger's.
    static constexpr auto kHoldLimit = std::chrono::milliseconds(250);

    CarrierWatch(Channel& line, Clock& clock, QObject* parent = nullptr);

    // A call is up (true), or the modem window takes the port back (false, which also
    // forgets a call that dropped).
    void watchCall(bool on);
    [[nodiscard]] bool watching() const { return m_watching; }
    [[nodiscard]] bool callDropped() const { return m_dropped; }

    void setPortName(const QString& name) override { m_line.setPortName(name); }
    [[nodiscard]] QString portName() const override { return m_line.portName(); }
    bool open(const LineSettings& settings, QString* error) override;
    [[nodiscard]] PortFault openFault() const override
    {
        return m_dropped ? PortFault::Other : m_line.openFault();
    }
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
    // Passes on what is surely data; ends the call at the modem's result.
    void frame();
    void release(qsizetype n);
    void forget();

    Channel& m_line;
    Clock& m_clock;
    QByteArray m_input; // for the readers
    QByteArray m_held;  // what may still be the modem's
    TimePoint m_lastInput{};
    bool m_lineStart = true; // the last byte passed on ended a line, or the call has just begun
    bool m_watching = false;
    bool m_dropped = false;
};

} // namespace korvelan
