#include "link/Transport.h"

#include "common/Prompter.h"
#include "link/Channel.h"

#include <QScopedValueRollback>

namespace korvelan {

using namespace std::chrono;

namespace {
// "More than n" in the waits below: one tick past the mark.
constexpr auto kTick = nanoseconds(1);
// Pauses end a little after their mark: the device sees our characters after the kernel's
// terminal buffering, whose delivery jitters by a fraction of a millisecond, and the pacing
// must hold where the characters arrive.
constexpr auto kPauseMargin = microseconds(200);
} // namespace

QByteArray toWire(const QString& text)
{
    return text.toLatin1();
}

QString fromWire(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes);
}

Transport::Transport(LoggerSession& session, Channel& channel, Clock& clock, Prompter& prompter,
                     PortResolver resolvePort)
    : m_session(session), m_channel(channel), m_clock(clock), m_prompter(prompter),
      m_resolvePort(std::move(resolvePort))
{}

bool Transport::openChannel(QString* error)
{
    m_channel.setPortName(m_resolvePort(m_session.Porta));
    return m_channel.open(LineSettings{}, error);
}

void Transport::ensureOpen()
{
    if (!m_session.PortaSempreAperta && !m_channel.isOpen())
        Apri_Seriale();
}

void Transport::waitForInput(TimePoint deadline)
{
    if (m_cancelled)
        return;
    QScopedValueRollback<int> depth(m_waitDepth, m_waitDepth + 1);
    m_clock.waitWithEvents(deadline, &m_channel);
}

void Transport::cancelExchange()
{
    m_cancelled = true;
    m_clock.interrupt();
}

int16_t Transport::Apri_Porta(int16_t port)
{
    m_session.Porta = port;
    const auto opened = m_clock.now();
    QString error;
    if (!openChannel(&error)) {
        m_prompter.inform(PromptIcon::None, QString(), error);
        return 0;
    }
    {
        QScopedValueRollback<int> depth(m_waitDepth, m_waitDepth + 1);
        m_clock.waitBlocking(opened + kProbeSettle + kTick);
    }
    m_channel.discardInput();
    m_channel.write(QByteArrayLiteral("V"));
    const auto t1 = m_clock.now();
    while (m_channel.isOpen() && !m_cancelled && m_channel.bytesWaiting() < 2 &&
           m_clock.now() - t1 <= kProbeReplyWait)
        waitForInput(t1 + kProbeReplyWait + kTick);
    const bool found = !m_channel.readAll().isEmpty();
    m_channel.discardInput();
    m_session.PortaSempreAperta = true;
    {
        QScopedValueRollback<int> depth(m_waitDepth, m_waitDepth + 1);
        m_clock.waitBlocking(t1 + kProbeAfterReply);
    }
    return found ? 1 : 0;
}

bool Transport::Invia_Comando(const QString& command, const QString& parameters)
{
    m_session.BufferRicezione.clear();
    if (m_cancelled)
        return false;
    ensureOpen();
    Svuota_Ingresso();
    if (!m_channel.write(toWire(command)))
        return false;
    // The letter goes out at once; each parameter character follows the one before it by
    // more than 10 ms, so the logger can tell a bare letter from its parameter form.
    for (const QChar c : parameters) {
        Pausa(1);
        if (m_cancelled || !m_channel.write(toWire(QString(c))))
            return false;
    }
    return true;
}

QString Transport::Leggi_Campo()
{
    auto& buffer = m_session.BufferRicezione;
    const auto start = m_clock.now();
    for (;;) {
        if (m_channel.isOpen())
            buffer += m_channel.readAll();
        const auto comma = buffer.indexOf(',');
        if (comma >= 0) {
            const QString field = fromWire(buffer.left(comma));
            buffer.remove(0, comma + 1);
            return field;
        }
        // A lost line answers no more than a silent one.
        if (m_cancelled || !m_channel.isOpen() || m_clock.now() - start >= kFieldTimeLimit)
            return kNoAnswer;
        waitForInput(start + kFieldTimeLimit);
    }
}

void Transport::Svuota_Ingresso()
{
    m_channel.discardInput();
    m_session.BufferRicezione.clear();
}

QString Transport::sendAndCollect(const QString& text, int16_t count)
{
    m_timedOut = false;
    if (m_cancelled || !m_channel.write(toWire(text)))
        return QString();
    const auto deadline = m_clock.now() + kFieldTimeLimit;
    while (m_channel.isOpen() && m_channel.bytesWaiting() < count && !m_cancelled) {
        if (m_clock.now() >= deadline) {
            m_timedOut = true;
            break;
        }
        waitForInput(deadline);
    }
    const QString received = fromWire(m_channel.readAll());
    m_channel.discardInput();
    return received;
}

QString Transport::Invia_Attendi(const QString& text, int16_t count)
{
    ensureOpen();
    m_channel.discardInput();
    return sendAndCollect(text, count);
}

QString Transport::Invia_Attendi_Diretto(const QString& text, int16_t count)
{
    return sendAndCollect(text, count);
}

void Transport::Pausa(int hundredths)
{
    if (hundredths <= 0)
        return;
    QScopedValueRollback<int> depth(m_waitDepth, m_waitDepth + 1);
    m_clock.waitBlocking(m_clock.now() + milliseconds(10) * hundredths + kPauseMargin);
}

void Transport::Apri_Seriale()
{
    if (!m_channel.isOpen())
        openChannel(nullptr);
}

void Transport::Chiudi_Seriale()
{
    m_channel.close();
}

} // namespace korvelan
