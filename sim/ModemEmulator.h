#pragma once

#include "link/LinkPeer.h"
#include "sim/OutputQueue.h"
#include "sim/PhoneNetwork.h"
#include "sim/WireTrace.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <chrono>
#include <memory>
#include <optional>

namespace korvelan::sim {

class LoggerEmulator;

// A Hayes modem on the program's serial port, with a telephone network of its own behind it:
// a directory of stations, each answered by a logger. Once connected, bytes pass between the
// line and that station's logger, on the logger's own timing.
//
// Like the GSM modems in the field it reports the speed with CONNECT and a busy line as BUSY
// whatever "X" level it was given. Modems of a pool share one network: each makes one call at
// a time, and a station in a call on one is busy to the others.
class ModemEmulator final : public LinkPeer
{
public:
    enum class Mode {
        Command,       // waiting for AT commands, no call
        Dialling,      // ATD given, the call is being set up
        Data,          // connected: bytes go to the station's logger
        OnlineCommand, // connected, escaped with "+++": AT commands again, the call stays up
    };
    using Answer = PhoneNetwork::Answer;

    // "+++" must be preceded and followed by this much silence, and its "+" no further apart.
    static constexpr auto kGuardTime = std::chrono::seconds(1);
    // From ATD to the far end answering, and the pause a "," in the number adds.
    static constexpr auto kDialTime = std::chrono::seconds(3);
    static constexpr auto kCommaPause = std::chrono::seconds(2);
    // A station that does not answer is given up after ringing this long.
    static constexpr auto kRingTime = std::chrono::seconds(20);
    static constexpr auto kResponseDelay = std::chrono::milliseconds(10);
    static constexpr int kMaxLine = 80;
    static inline const QByteArray kIdentification = QByteArrayLiteral("KORVELAN GSM MODEM 1.0");
    static inline const QByteArray kConnect = QByteArrayLiteral("CONNECT 9600");

    // A modem with a network of its own, or one of a pool on `network`.
    explicit ModemEmulator(TimePoint start, std::shared_ptr<PhoneNetwork> network = {});

    [[nodiscard]] PhoneNetwork& network() { return *m_network; }
    void addStation(const QString& number, LoggerEmulator* logger, Answer answer = Answer::Connects)
    {
        m_network->addStation(number, logger, answer);
    }
    void dropCallsAfter(const QString& number, qint64 bytes)
    {
        m_network->dropCallsAfter(number, bytes);
    }
    void dropNextCallAfter(const QString& number, qint64 bytes)
    {
        m_network->dropNextCallAfter(number, bytes);
    }
    void busyNextCall(const QString& number) { m_network->busyNextCall(number); }
    // Result codes reach the line in two pieces: the first `bytes` of "<CR><LF>CODE<CR><LF>",
    // the rest `gap` later, as a slow line delivers them to two reads.
    void splitResults(qsizetype bytes, Duration gap)
    {
        m_splitAt = bytes;
        m_splitGap = gap;
    }
    static QString networkNumber(const QString& dialled)
    {
        return PhoneNetwork::networkNumber(dialled);
    }

    void receive(const QByteArray& bytes, TimePoint at) override;
    // Like a modem set to hang up when DTR drops (AT&D2): the call ends, without a word.
    void portClosed(TimePoint at) override;
    QByteArray take(TimePoint now) override;
    [[nodiscard]] std::optional<TimePoint> nextEvent() const override;

    [[nodiscard]] Mode mode() const { return m_mode; }
    [[nodiscard]] bool echo() const { return m_echo; }
    [[nodiscard]] int resultLevel() const { return m_xLevel; }
    [[nodiscard]] QString lastDialled() const { return m_dialled; }
    [[nodiscard]] LoggerEmulator* connectedLogger() const { return m_station; }
    // Every AT command line the modem was given, as typed.
    [[nodiscard]] const QStringList& commandLines() const { return m_commandLines; }
    void setPace(Pace pace) { m_output.setPace(pace); }
    [[nodiscard]] const WireTrace& trace() const { return m_trace; }
    WireTrace& trace() { return m_trace; }

private:
    void advance(TimePoint now);
    void commandByte(char c, TimePoint at);
    void dataByte(char c, TimePoint at);
    void runCommandLine(const QByteArray& line, TimePoint at);
    void dial(const QByteArray& number, TimePoint at);
    void finishDial(TimePoint at);
    void hangUp();
    void result(const QByteArray& text, TimePoint at);

    OutputQueue m_output;
    WireTrace m_trace;
    std::shared_ptr<PhoneNetwork> m_network;
    QStringList m_commandLines;

    Mode m_mode = Mode::Command;
    bool m_echo = true;
    int m_xLevel = 4;
    QByteArray m_line;
    QString m_dialled;
    std::optional<TimePoint> m_dialDone;
    LoggerEmulator* m_station = nullptr;

    TimePoint m_lastData;
    TimePoint m_lastPlus;
    int m_plusCount = 0;
    std::optional<TimePoint> m_escapeAt;
    qsizetype m_splitAt = 0;
    Duration m_splitGap{};
};

} // namespace korvelan::sim
