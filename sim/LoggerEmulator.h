#pragma once

#include "link/LinkPeer.h"
#include "sim/AcquisitionMemory.h"
#include "sim/CommandReader.h"
#include "sim/LoggerSettings.h"
#include "sim/OutputQueue.h"
#include "sim/WireTrace.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <chrono>
#include <functional>
#include <optional>

namespace korvelan::sim {

// A data logger in software: the state a real one keeps and its command interpreter,
// bytes in and bytes out on the times it is given.
//
// Its clock runs on those times: the wall time at `start` is given at construction and moves
// on with them until "g" sets it. Acquisitions are taken on the logger's own schedule (start
// date, timer, switch) and worked out when time is next seen, so an idle logger costs nothing.
class LoggerEmulator final : public LinkPeer
{
public:
    // The logger thinks a little before it answers.
    static constexpr auto kReplyDelay = std::chrono::milliseconds(20);
    // A reading takes this long per channel; its fields come out as each channel is read.
    static constexpr auto kReadingTime = std::chrono::milliseconds(40);
    static constexpr char kEndOfText = 0x03;
    static inline const QByteArray kProbeReply = QByteArrayLiteral("KLOG 2.07\r\n");

    LoggerEmulator(TimePoint start, const QDateTime& wallAtStart,
                   LoggerSettings settings = LoggerSettings::demo());

    // The line.
    void receive(const QByteArray& bytes, TimePoint at) override;
    QByteArray take(TimePoint now) override;
    [[nodiscard]] std::optional<TimePoint> nextEvent() const override;
    [[nodiscard]] bool droppedBy(TimePoint now) const override;
    // Lets time pass without traffic: finishes a bare letter, takes due acquisitions.
    void advanceTo(TimePoint now);

    // Settings, for tests to preset and inspect. The logger works lazily: what it does by a
    // time (a bare letter's gap ending, acquisitions) is done when it is next given a time, so
    // call advanceTo(now) before inspecting after time passed without traffic.
    [[nodiscard]] const LoggerSettings& settings() const { return m_settings; }
    LoggerSettings& settings() { return m_settings; }
    [[nodiscard]] QString name() const { return m_settings.name; }
    void setName(const QString& name) { m_settings.name = name.left(kNameLength); }
    [[nodiscard]] int channelCount(int multiplexer) const;
    void setChannelCount(int multiplexer, int count);
    [[nodiscard]] bool acquiring() const { return m_settings.acquiring; }
    void setAcquiring(bool on, TimePoint at);
    void setTimer(AcquisitionTimer timer, TimePoint at);
    void setStartDate(const QDateTime& start, TimePoint at);
    [[nodiscard]] int modelCode() const { return m_modelCode; }
    void setModelCode(int code) { m_modelCode = code; }
    [[nodiscard]] Voltages voltages() const { return m_voltages; }
    void setVoltages(Voltages v) { m_voltages = v; }
    [[nodiscard]] bool continuousRun() const { return m_continuousRun; }
    [[nodiscard]] QDateTime rangeStart() const { return m_rangeStart; }
    [[nodiscard]] QDateTime rangeEnd() const { return m_rangeEnd; }

    // The real-time clock.
    [[nodiscard]] QDateTime clockAt(TimePoint at) const;
    void setClock(const QDateTime& wall, TimePoint at);
    // When the next acquisition is due on the logger's clock; invalid when none is planned.
    [[nodiscard]] QDateTime nextAcquisition() const { return m_nextAcquisition; }

    // The memory of acquisitions.
    [[nodiscard]] const AcquisitionMemory& memory() const { return m_memory; }
    [[nodiscard]] int memoryCapacity() const { return m_memory.capacity(); }
    void setMemoryCapacity(int acquisitions) { m_memory.setCapacity(acquisitions); }
    [[nodiscard]] QStringList memoryLines() const { return m_memory.lines(); }
    void setMemoryLines(const QStringList& lines) { m_memory.setLines(lines); }
    // A full memory drops its oldest line for a new one.
    void setMemoryWrapping(bool on) { m_memory.setWrapping(on); }
    void eraseMemory();
    // Adds n acquisitions that end at the last time seen, one timer interval apart.
    void fillMemory(int n);

    // Readings: vibrating-wire channels give a frequency-like value, others their voltage
    // through the channel's calibration; a fixed value replaces either.
    [[nodiscard]] double reading(int channel, const QDateTime& at) const;
    [[nodiscard]] double temperature(int channel, const QDateTime& at) const;
    void setFixedReading(int channel, double value) { m_fixedReadings[channel] = value; }
    void setFixedTemperature(int channel, double value) { m_fixedTemperatures[channel] = value; }
    void clearFixedValues();
    // The acquisition line the logger would store at `at`.
    [[nodiscard]] QString acquisitionLine(const QDateTime& at) const;

    // Faults and pace.
    void setPace(Pace pace) { m_output.setPace(pace); }
    // Commands from the nth on (counting from 1) are neither answered nor carried out.
    void setSilentFrom(int n) { m_silentFrom = n; }
    // After n readings answered in full the logger falls silent in the middle of the next
    // one: it gives that reading's first channel and nothing more.
    void setSilentAfterReadings(int n) { m_readingsBeforeSilence = n; }
    // How long the logger thinks before it answers, and how long each channel of a reading
    // takes (kReplyDelay and kReadingTime unless set).
    void setTiming(Duration replyDelay, Duration readingTime)
    {
        m_replyDelay = replyDelay;
        m_readingTime = readingTime;
    }
    // The reply to the nth command (0: to every command) carries `junk` in its middle.
    void setGarbage(int command, QByteArray junk = QByteArrayLiteral("#?\x7f"));
    // One field of one reply garbled or withheld. Only the comma-ended field rows are touched,
    // not the counted blocks, readings or memory.
    struct ReplyFault
    {
        enum class Kind {
            Garbled, // the field's text is replaced by noise
            Silent,  // the reply ends before the field: it and the fields after it never come
        };
        Kind kind = Kind::Garbled;
        char letter = 0; // replies to this letter only; 0: to any command
        int reply = 1;   // the nth such reply from now on, counting from 1
        int field = 0;   // counting from 0
    };
    void setReplyFault(ReplyFault fault, QByteArray junk = QByteArrayLiteral("#?\x7f"));
    // The fault set last has met its reply, and that reply had the field.
    [[nodiscard]] bool replyFaultDone() const { return m_replyFaultDone; }
    // The line drops once the logger has sent this many more bytes (none: it does not).
    void setDropAfterBytes(std::optional<qint64> bytes) { m_dropBudget = bytes; }
    // The next download stops after this many bytes and is never finished.
    void cutNextDownload(qint64 bytes) { m_downloadCut = bytes; }
    void setStrict(bool on) { m_reader.setStrict(on); }
    [[nodiscard]] const std::vector<PacingViolation>& pacingViolations() const
    {
        return m_reader.violations();
    }

    // What happened on the line: the latest commands (all of them unless a limit is set).
    [[nodiscard]] const QList<Command>& commands() const { return m_commands; }
    [[nodiscard]] qint64 commandCount() const { return m_commandCount; }
    // Keeps only the latest `n` commands in commands(), for sessions that run for days.
    void setCommandHistoryLimit(qsizetype n) { m_historyLimit = n; }
    // Commands refused because their parameters were not in a form the logger takes, and
    // bytes that made no command; empty when the program spoke as it should.
    [[nodiscard]] const QStringList& protocolErrors() const { return m_protocolErrors; }
    void clearProtocolErrors() { m_protocolErrors.clear(); }
    // Told of each protocol error as it is found.
    void setProtocolErrorHandler(std::function<void(const QString&)> handler)
    {
        m_onProtocolError = std::move(handler);
    }
    [[nodiscard]] int abandonedCommands() const { return m_reader.abandoned(); }
    [[nodiscard]] const WireTrace& trace() const { return m_trace; }
    WireTrace& trace() { return m_trace; }
    [[nodiscard]] TimePoint lastSeen() const { return m_lastSeen; }

private:
    void see(TimePoint now);
    void protocolErrors(const QStringList& errors);
    void execute(const Command& command);
    void reply(const QByteArray& bytes, TimePoint at);
    [[nodiscard]] QByteArray withReplyFault(char letter, const QByteArray& row);
    void replyReading(int multiplexer, bool temperatures, TimePoint at);
    void download(const QStringList& lines, TimePoint at);
    void write(const Command& command);
    QByteArray read(const Command& command, TimePoint at) const;
    QByteArray readCounted(char letter, TimePoint at) const;
    void reset(TimePoint at);
    void reschedule(TimePoint at, bool atOnceWhenPast);
    void takeDueAcquisitions(TimePoint now);
    [[nodiscard]] QDateTime wallToDate(const QList<QByteArray>& fields, int first) const;
    [[nodiscard]] bool lineDown(TimePoint at) const { return m_dropAt && *m_dropAt <= at; }

    LoggerSettings m_settings;
    int m_modelCode = 0;
    Voltages m_voltages;
    bool m_continuousRun = false;
    QDateTime m_rangeStart;
    QDateTime m_rangeEnd;

    TimePoint m_clockBase;
    QDateTime m_wallBase;
    QDateTime m_nextAcquisition;
    AcquisitionMemory m_memory;
    QHash<int, double> m_fixedReadings;
    QHash<int, double> m_fixedTemperatures;

    CommandReader m_reader;
    OutputQueue m_output;
    WireTrace m_trace;
    QList<Command> m_commands;
    qint64 m_commandCount = 0;
    std::optional<qsizetype> m_historyLimit;
    QStringList m_protocolErrors;
    std::function<void(const QString&)> m_onProtocolError;
    TimePoint m_lastSeen;

    std::optional<int> m_silentFrom;
    std::optional<int> m_readingsBeforeSilence;
    Duration m_replyDelay = kReplyDelay;
    Duration m_readingTime = kReadingTime;
    std::optional<ReplyFault> m_replyFault;
    QByteArray m_replyFaultJunk;
    bool m_replyFaultDone = false;
    std::optional<int> m_garbageCommand;
    QByteArray m_garbage;
    std::optional<qint64> m_dropBudget;
    std::optional<qint64> m_downloadCut;
    std::optional<TimePoint> m_dropAt;
    mutable bool m_dropSeen = false;
};

} // namespace korvelan::sim
