#pragma once

#include "link/Clock.h"
#include "link/LinkNotices.h"
#include "link/LoggerSession.h"

#include <QString>
#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

namespace korvelan {

class Channel;

// The routines every exchange with the logger goes through. One object for the whole run,
// over one channel, one clock and the session record.
//
// One exchange at a time: while a routine waits and lets window events run, isWaiting() is
// true and handlers that would start an exchange do nothing.
//
// Everything a handler sends runs inside an action (action()): the operator's press and every
// handler it runs in turn. cancelExchange() (the operator's way out, or a window closing)
// ends the wait at once and ends the whole action: field reads give the time-out marker,
// nothing more is sent, and nested handlers do not start, until the operator starts a new
// action. Once a field of an action has timed out and nothing has arrived since, the logger
// is taken as silent: the remaining fields of that reply give the marker at once, and a
// further command of the action is given a short grace for its reply to begin; so a dead
// logger costs one time limit, not one per field, while a logger that ignored one command
// is still heard on the next.
class Transport
{
public:
    using PortResolver = std::function<QString(int port)>;

    static constexpr auto kFieldTimeLimit = std::chrono::seconds(120);
    // How long a silent logger's reply may take to begin (see above).
    static constexpr auto kSilentGrace = std::chrono::seconds(3);
    static constexpr auto kProbeSettle = std::chrono::seconds(3);
    static constexpr auto kProbeReplyWait = std::chrono::seconds(2);
    static constexpr auto kProbeAfterReply = std::chrono::seconds(1);
    static inline const QString kNoAnswer = QStringLiteral("%%");

    Transport(LoggerSession& session, Channel& channel, Clock& clock, LinkNotices& notices,
              PortResolver resolvePort);

    // Opens and probes a port; 1 when something answered "V", 0 otherwise.
    int16_t Apri_Porta(int16_t port);
    // The probe alone, on the port that is open (a logger behind a modem that has just
    // connected): "V", and true when anything answered within kProbeReplyWait.
    bool probeLogger();
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

    // Runs `body` as an action (see above). Nothing runs, and the result is false, while
    // another exchange waits (a click delivered from inside that wait), or when this is a
    // nested handler of an action that was cancelled.
    template <typename Body> bool action(Body&& body)
    {
        if (!mayStartAction())
            return false;
        enterAction();
        std::forward<Body>(body)();
        leaveAction();
        return true;
    }
    [[nodiscard]] bool mayStartAction() const
    {
        return !isWaiting() && !(m_actionDepth > 0 && m_cancelled);
    }
    [[nodiscard]] bool inAction() const { return m_actionDepth > 0; }
    // Runs `f` once no action is running any more (posted, so the stack has unwound).
    void whenIdle(std::function<void()> f);

    // The logger stopped sending in the middle of something that is not read as fields (a
    // download): for the rest of the action it counts as silent, as after a field that timed
    // out, so the next command waits only the grace and not a whole limit again.
    void markSilent() { m_silent = true; }

    void cancelExchange();
    [[nodiscard]] bool cancelled() const { return m_cancelled; }
    [[nodiscard]] bool timedOut() const { return m_timedOut; }
    // Fields that came back as the time-out marker since the program started: a caller
    // compares the count before and after a read to learn whether it was answered.
    [[nodiscard]] int missedFields() const { return m_missedFields; }
    // Whether the last field read was answered. Reported to the handler on every change,
    // with the port, so a window can say that the logger does not answer.
    [[nodiscard]] bool answering() const { return m_answering; }
    void setAnswerHandler(std::function<void(bool answering)> handler)
    {
        m_onAnswer = std::move(handler);
    }

    // Where one exchange ends and the next begins: before every command goes out, and when a
    // stream has ended by any way but its own end mark. A link log ends its line there, so a
    // command that got no reply (a write) stands on its own line.
    void setExchangeBoundary(std::function<void()> handler) { m_onBoundary = std::move(handler); }
    void exchangeBoundary()
    {
        if (m_onBoundary)
            m_onBoundary();
    }

    // Lets pending window events run, as a wait does (for loops that run without a reply
    // to wait for): no other exchange can start meanwhile.
    void letEventsRun();
    // After a cancelled transfer: reads and drops what the logger still sends, until `end`
    // arrives, the line is quiet for `quiet`, or `limit` has passed; the window takes no
    // user input meanwhile. So the rest of a stream does not land in the next exchange.
    void drainInput(char end, Duration quiet, Duration limit);

    // Waits, letting window events run, until input arrives, the deadline passes, the link
    // is lost or the exchange is cancelled. For routines that read the channel themselves
    // (the memory download).
    void waitForInput(TimePoint deadline);

    [[nodiscard]] LoggerSession& session() { return m_session; }
    [[nodiscard]] Channel& channel() { return m_channel; }
    [[nodiscard]] Clock& clock() { return m_clock; }
    [[nodiscard]] QString deviceFor(int port) const { return m_resolvePort(port); }

private:
    bool openChannel(QString* error);
    bool ensureOpen();
    QString sendAndCollect(const QString& text, int16_t count);
    void enterAction();
    void leaveAction();
    void noteAnswer(bool answered);

    LoggerSession& m_session;
    Channel& m_channel;
    Clock& m_clock;
    LinkNotices& m_notices;
    PortResolver m_resolvePort;
    int m_waitDepth = 0;
    int m_actionDepth = 0;
    bool m_cancelled = false;
    bool m_timedOut = false;
    bool m_silent = false;      // a field of this action timed out and nothing came since
    bool m_graceLeft = false;   // the command sent while silent has not used its grace yet
    bool m_keepOpen = false;    // the port was opened and not closed on purpose
    bool m_reopenTried = false; // this action already tried to bring a lost port back
    bool m_answering = true;
    int m_missedFields = 0;
    std::function<void(bool)> m_onAnswer;
    std::function<void()> m_onBoundary;
    std::vector<std::function<void()>> m_whenIdle;
};

// Latin-1 is the wire's character set: one character, one byte.
QByteArray toWire(const QString& text);
QString fromWire(const QByteArray& bytes);

} // namespace korvelan
