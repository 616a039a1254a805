#pragma once

#include <QHash>
#include <QString>
#include <optional>

namespace korvelan::sim {

class LoggerEmulator;

// The telephone network behind the emulated modems: a directory of stations, each answered
// by a logger, and what each station does with the next call. Several modems may share one
// network, as a pool of modems calls the same stations: a station already in a call answers
// BUSY to the next, as a real line does.
class PhoneNetwork
{
public:
    enum class Answer { Connects, Busy, NoAnswer };

    // What became of a call: connected to `logger` (dropping once it has sent `dropAfter`),
    // or refused.
    struct Call
    {
        Answer answer = Answer::NoAnswer;
        LoggerEmulator* logger = nullptr;
        std::optional<qint64> dropAfter;
    };

    void addStation(const QString& number, LoggerEmulator* logger,
                    Answer answer = Answer::Connects);
    [[nodiscard]] bool hasStation(const QString& number) const;
    // Every call to the station drops (NO CARRIER) once its logger has sent `bytes`.
    void dropCallsAfter(const QString& number, qint64 bytes);
    // Only the next call to the station drops so, or answers BUSY.
    void dropNextCallAfter(const QString& number, qint64 bytes);
    void busyNextCall(const QString& number);
    // The station's first `calls` calls answer BUSY, the later ones are answered.
    void busyFirstCalls(const QString& number, int calls);

    // Whether the call rings out (no one there, or no one answers) rather than being answered
    // or refused at once.
    [[nodiscard]] bool ringsOut(const QString& number) const;
    // The far end's answer to a call to `number`; a connected station is in a call until
    // hangUp(logger).
    Call place(const QString& number);
    void hangUp(const LoggerEmulator* logger);

    // Digits of a number as the network sees them: dial pauses and separators left out.
    static QString networkNumber(const QString& dialled);

private:
    struct Station
    {
        LoggerEmulator* logger = nullptr;
        Answer answer = Answer::Connects;
        std::optional<qint64> dropAfter;
        std::optional<qint64> dropNext;
        bool busyNext = false;
        int busyCalls = 0;
        bool inCall = false;
    };
    Station* find(const QString& number);

    QHash<QString, Station> m_directory;
};

} // namespace korvelan::sim
