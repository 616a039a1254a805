#include "link/Transport.h"

#include "link/Channel.h"

#include <QCoreApplication>
#include <QScopedValueRollback>
#include <QTimer>

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

Transport::Transport(LoggerSession& session, Channel& channel, Clock& clock, LinkNotices& notices,
                     PortResolver resolvePort)
    : m_session(session), m_channel(channel), m_clock(clock), m_notices(notices),
      m_resolvePort(std::move(resolvePort))
{}

bool Transport::openChannel(QString* error)
{
    m_channel.setPortName(m_resolvePort(m_session.Porta));
    const bool opened = m_channel.open(LineSettings{}, error);
    m_keepOpen = m_keepOpen || opened;
    return opened;
}

bool Transport::ensureOpen()
{
    if (m_channel.isOpen()) {
        m_keepOpen = true;
        return true;
    }
    if (!m_session.PortaSempreAperta) {
        Apri_Seriale();
        return m_channel.isOpen();
    }
    // The device went away (a cable adapter pulled out, the other end restarted) while the
    // port was meant to stay open: the next action tries the same device again, once, so
    // plugging the cable back in is enough.
    if (!m_keepOpen || m_reopenTried)
        return false;
    m_reopenTried = true;
    QString error;
    if (openChannel(&error))
        return true;
    m_notices.linkNotice(
        LinkNotices::Kind::Warning, QStringLiteral("Link lost"),
        QStringLiteral("The link to the logger was lost and the port cannot be "
                       "opened again:\n") +
            portErrorText(m_session.Porta, m_channel.portName(), m_channel.openFault(), error));
    return false;
}

void Transport::enterAction()
{
    if (m_actionDepth++ == 0) {
        m_cancelled = false;
        m_silent = false;
        m_reopenTried = false;
    }
}

void Transport::leaveAction()
{
    if (--m_actionDepth > 0 || m_whenIdle.empty())
        return;
    QTimer::singleShot(0, [calls = std::exchange(m_whenIdle, {})] {
        for (const auto& call : calls)
            call();
    });
}

void Transport::whenIdle(std::function<void()> f)
{
    if (m_actionDepth > 0 || m_waitDepth > 0)
        m_whenIdle.push_back(std::move(f));
    else
        QTimer::singleShot(0, std::move(f));
}

void Transport::noteAnswer(bool answered)
{
    if (answered == m_answering)
        return;
    m_answering = answered;
    if (m_onAnswer)
        m_onAnswer(answered);
}

void Transport::waitForInput(TimePoint deadline)
{
    if (m_cancelled)
        return;
    QScopedValueRollback<int> depth(m_waitDepth, m_waitDepth + 1);
    m_clock.waitWithEvents(deadline, &m_channel);
}

void Transport::letEventsRun()
{
    QScopedValueRollback<int> depth(m_waitDepth, m_waitDepth + 1);
    QCoreApplication::processEvents();
}

void Transport::cancelExchange()
{
    m_cancelled = true;
    m_clock.interrupt();
}

void Transport::drainInput(char end, Duration quiet, Duration limit)
{
    constexpr auto kStep = milliseconds(20);
    QScopedValueRollback<int> depth(m_waitDepth, m_waitDepth + 1);
    const auto start = m_clock.now();
    auto last = start;
    while (m_channel.isOpen()) {
        const QByteArray input = m_channel.readAll();
        if (!input.isEmpty()) {
            last = m_clock.now();
            if (input.contains(end))
                break;
        }
        const auto now = m_clock.now();
        const auto stop = std::min(start + limit, last + quiet);
        if (now >= stop)
            break;
        m_clock.waitBlocking(std::min(now + kStep, stop));
    }
    m_channel.discardInput();
    m_session.BufferRicezione.clear();
}

int16_t Transport::Apri_Porta(int16_t port)
{
    m_session.Porta = port;
    const auto opened = m_clock.now();
    QString error;
    if (!openChannel(&error)) {
        m_notices.linkNotice(
            LinkNotices::Kind::Plain, QString(),
            portErrorText(port, m_channel.portName(), m_channel.openFault(), error));
        return 0;
    }
    {
        QScopedValueRollback<int> depth(m_waitDepth, m_waitDepth + 1);
        m_clock.waitBlocking(opened + kProbeSettle + kTick);
    }
    m_session.PortaSempreAperta = true;
    return probeLogger() ? 1 : 0;
}

bool Transport::probeLogger()
{
    exchangeBoundary();
    m_channel.discardInput();
    m_channel.write(QByteArrayLiteral("V"));
    const auto t1 = m_clock.now();
    while (m_channel.isOpen() && !m_cancelled && m_channel.bytesWaiting() < 2 &&
           m_clock.now() - t1 <= kProbeReplyWait)
        waitForInput(t1 + kProbeReplyWait + kTick);
    const bool found = !m_channel.readAll().isEmpty();
    m_channel.discardInput();
    {
        QScopedValueRollback<int> depth(m_waitDepth, m_waitDepth + 1);
        m_clock.waitBlocking(t1 + kProbeAfterReply);
    }
    return found;
}

bool Transport::Invia_Comando(const QString& command, const QString& parameters)
{
    m_session.BufferRicezione.clear();
    if (m_cancelled || !ensureOpen())
        return false;
    exchangeBoundary();
    Svuota_Ingresso();
    if (!m_channel.write(toWire(command)))
        return false;
    // The letter goes out at once; each parameter character follows the one before it by
    // more than 10 ms, so the logger can tell a bare letter from its parameter form, and the
    // next command's letter follows the last parameter character as far.
    for (const QChar c : parameters) {
        Pausa(1);
        if (m_cancelled || !m_channel.write(toWire(QString(c))))
            return false;
    }
    if (!parameters.isEmpty())
        Pausa(1);
    m_graceLeft = m_silent;
    return true;
}

QString Transport::Leggi_Campo()
{
    auto& buffer = m_session.BufferRicezione;
    const auto start = m_clock.now();
    auto deadline = start + kFieldTimeLimit;
    if (m_silent)
        deadline = start + (std::exchange(m_graceLeft, false) ? kSilentGrace : Duration::zero());
    for (;;) {
        if (m_channel.isOpen()) {
            const QByteArray input = m_channel.readAll();
            if (!input.isEmpty()) {
                buffer += input;
                m_silent = false;
                deadline = start + kFieldTimeLimit;
            }
        }
        const auto comma = buffer.indexOf(',');
        if (comma >= 0) {
            const QString field = fromWire(buffer.left(comma));
            buffer.remove(0, comma + 1);
            noteAnswer(true);
            return field;
        }
        // A lost line answers no more than a silent one. A logger that let a field of this
        // action time out and has said nothing since gets only the grace for a new command.
        const bool limit = m_clock.now() >= deadline;
        if (m_cancelled || !m_channel.isOpen() || limit) {
            ++m_missedFields;
            if (!m_cancelled) {
                m_silent = true;
                noteAnswer(false);
            }
            return kNoAnswer;
        }
        waitForInput(deadline);
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
    exchangeBoundary();
    if (m_cancelled || !m_channel.write(toWire(text)))
        return QString();
    const auto start = m_clock.now();
    auto deadline = start + (m_silent ? kSilentGrace : kFieldTimeLimit);
    qint64 seen = 0;
    while (m_channel.isOpen() && m_channel.bytesWaiting() < count && !m_cancelled) {
        if (const qint64 waiting = m_channel.bytesWaiting(); waiting > seen) {
            seen = waiting;
            m_silent = false;
            deadline = start + kFieldTimeLimit;
        }
        if (m_clock.now() >= deadline) {
            m_timedOut = true;
            m_silent = true;
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
    if (!ensureOpen())
        return QString();
    m_channel.discardInput();
    return sendAndCollect(text, count);
}

QString Transport::Invia_Attendi_Diretto(const QString& text, int16_t count)
{
    return sendAndCollect(text, count);
}

void Transport::Pausa(int hundredths)
{
    // A cancelled action unwinds at once: its pauses only served exchanges that will not come.
    if (hundredths <= 0 || m_cancelled)
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
    m_keepOpen = false;
    m_channel.close();
}

} // namespace korvelan
