#pragma once

// The program's transport wired to the logger emulator over an in-memory channel and a
// virtual clock. Header only: a suite that uses it links korvelan_simlib.
#include "link/MemoryChannel.h"
#include "link/Transport.h"
#include "link/VirtualClock.h"
#include "sim/LoggerEmulator.h"
#include "support/ScriptedPeer.h"
#include "support/ScriptedPrompter.h"

#include <QDateTime>
#include <QTest>

namespace korvelan::test {

// 5 December 2026, 14:07:09 on the logger's clock when the rig is made.
inline QDateTime rigWallClock()
{
    return QDateTime(QDate(2026, 12, 5), QTime(14, 7, 9), Qt::UTC);
}

// Fails the running test when the program sent the logger anything in a form its command
// table does not give. A test that does so on purpose clears the errors it expects.
inline void failOnProtocolErrors(const sim::LoggerEmulator& logger, const char* file, int line)
{
    const QStringList& errors = logger.protocolErrors();
    if (!errors.isEmpty() && !QTest::currentTestFailed())
        QTest::qFail(
            qPrintable(QStringLiteral("protocol errors: ") + errors.join(QStringLiteral("; "))),
            file, line);
}

// Every command a logger took, as it came on the wire: "g7,3, 125,14,05,", "Q".
inline QStringList commandsSent(const sim::LoggerEmulator& logger)
{
    QStringList out;
    for (const auto& c : logger.commands()) {
        QString text(QLatin1Char(c.letter));
        for (const auto& f : c.fields)
            text += QString::fromLatin1(f) + QLatin1Char(',');
        out << text;
    }
    return out;
}

// `Peer` is made with the clock's start time first, then `args`.
template <typename Peer> struct EmulatorRig
{
    LoggerSession session;
    VirtualClock clock;
    Peer peer;
    MemoryChannel channel;
    ScriptedPrompter prompter;
    Transport transport{session, channel, clock, prompter,
                        [](int port) { return QStringLiteral("COM%1").arg(port); }};

    template <typename... Args>
    explicit EmulatorRig(Args&&... args)
        : peer(clock.now(), std::forward<Args>(args)...), channel(peer, clock)
    {
        clock.addSource([this] { return peer.nextEvent(); });
        session.PortaSempreAperta = true;
        session.Porta = 1;
        channel.setPortName(QStringLiteral("COM1"));
        channel.open(LineSettings{}, nullptr);
    }

    // One exchange as the windows make it, as an action of its own: the command, then
    // `fields` reads.
    QStringList exchange(const QString& command, const QString& parameters, int fields)
    {
        QStringList out;
        transport.action([&] {
            transport.Invia_Comando(command, parameters);
            for (int i = 0; i < fields; ++i)
                out << transport.Leggi_Campo();
        });
        return out;
    }
    void send(const QString& command, const QString& parameters = QString())
    {
        transport.action([&] { transport.Invia_Comando(command, parameters); });
    }
    // Lets time pass on the line, as the program's pauses do.
    void pass(Duration d) { clock.waitBlocking(clock.now() + d); }
    [[nodiscard]] TimePoint now() const { return clock.now(); }
};

struct SimRig : EmulatorRig<sim::LoggerEmulator>
{
    explicit SimRig(sim::LoggerSettings settings = sim::LoggerSettings::demo())
        : EmulatorRig(rigWallClock(), std::move(settings))
    {}
    ~SimRig() { failOnProtocolErrors(logger, __FILE__, __LINE__); }
    SimRig(const SimRig&) = delete;
    SimRig& operator=(const SimRig&) = delete;
    sim::LoggerEmulator& logger = peer;
};

// A device that says what the test tells it to, when it tells it to.
struct ScriptedRig : EmulatorRig<ScriptedPeer>
{
    // The device answers `reply` `delay` after each write.
    void answerWith(const QByteArray& reply, Duration delay = std::chrono::milliseconds(5))
    {
        peer.onReceive = [this, reply, delay](const QByteArray&, TimePoint at) {
            peer.say(reply, at + delay);
        };
    }
};

} // namespace korvelan::test
