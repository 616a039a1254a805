#pragma once

#include "link/Clock.h"
#include "link/LoggerSession.h"

#include <QString>
#include <chrono>
#include <cstdint>
#include <functional>

namespace korvelan {

class Channel;
class Prompter;

// The routines every exchange with the logger goes through. One object for the whole run,
// over one channel, one clock and the session record.
//
// One exchange at a time: while a routine waits and lets window events run, isWaiting() is
// true and handlers that would start an exchange do nothing. cancelExchange() (the operator's
// way out) ends the wait at once; field reads then give the time-out marker and nothing more
// is sent until the next exchange begins.
class Transport
{
public:
    using PortResolver = std::function<QString(int port)>;

    static constexpr auto kFieldTimeLimit = std::chrono::seconds(120);
    static constexpr auto kProbeSettle = std::chrono::seconds(3);
    static constexpr auto kProbeReplyWait = std::chrono::seconds(2);
    static constexpr auto kProbeAfterReply = std::chrono::seconds(1);
    static inline const QString kNoAnswer = QStringLiteral("%%");

    Transport(LoggerSession& session, Channel& channel, Clock& clock, Prompter& prompter,
              PortResolver resolvePort);

    // Opens and probes a port; 1 when something answered "V", 0 otherwise.
    int16_t Apri_Porta(int16_t port);
    bool Invia_Comando(const QString& command, const QString& parameters);
    QString Leggi_Campo();
    void Svuota_Ingresso();
    // Sends text in one piece and waits for at least `count` bytes, at most 120 s;
    // timedOut() tells whether the limit ended the wait.
    QString Invia_Attendi(const QString& text, int16_t count);
    QString Invia_Attendi_Diretto(const QString& text, int16_t count);
    void Pausa(int hundredths);
    void Apri_Seriale();
    void Chiudi_Seriale();

    [[nodiscard]] bool isWaiting() const { return m_waitDepth > 0; }
    [[nodiscard]] bool mayStartExchange() const { return m_waitDepth == 0; }
    void beginExchange() { m_cancelled = false; }
    void cancelExchange();
    [[nodiscard]] bool cancelled() const { return m_cancelled; }
    [[nodiscard]] bool timedOut() const { return m_timedOut; }

    // Waits, letting window events run, until input arrives, the deadline passes, the link
    // is lost or the exchange is cancelled. For routines that read the channel themselves
    // (the memory download).
    void waitForInput(TimePoint deadline);

    [[nodiscard]] LoggerSession& session() { return m_session; }
    [[nodiscard]] Channel& channel() { return m_channel; }
    [[nodiscard]] Clock& clock() { return m_clock; }
    [[nodiscard]] Prompter& prompter() { return m_prompter; }
    [[nodiscard]] QString deviceFor(int port) const { return m_resolvePort(port); }

private:
    bool openChannel(QString* error);
    void ensureOpen();
    QString sendAndCollect(const QString& text, int16_t count);

    LoggerSession& m_session;
    Channel& m_channel;
    Clock& m_clock;
    Prompter& m_prompter;
    PortResolver m_resolvePort;
    int m_waitDepth = 0;
    bool m_cancelled = false;
    bool m_timedOut = false;
};

// Latin-1 is the wire's character set: one character, one byte.
QByteArray toWire(const QString& text);
QString fromWire(const QByteArray& bytes);

} // namespace korvelan
