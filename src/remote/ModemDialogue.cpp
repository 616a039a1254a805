#include "remote/ModemDialogue.h"

#include "link/Channel.h"
#include "link/PortFault.h"
#include "link/Transport.h"

#include <QRegularExpression>
#include <limits>

namespace korvelan {

namespace {

// Hundredths of a second the modem is given to answer a command.
constexpr int kCommandPause = 20;
constexpr int kTestPause = 50;
constexpr int kDialPause = 50;
// What is kept of an unfinished line between two polls.
constexpr qsizetype kLongestTail = 80;

} // namespace

void ModemDialogue::Abilita_DSR()
{
    m_linesOn = true;
    applyLines();
}

void ModemDialogue::applyLines()
{
    Channel& channel = m_transport.channel();
    if (!m_linesOn || !channel.isOpen())
        return;
    channel.setRts(true);
    channel.setDtr(true);
}

void ModemDialogue::Interroga_Modem(const QString& text)
{
    // A cancelled action sends nothing more, as the transport's own routines.
    Channel& channel = m_transport.channel();
    if (channel.isOpen() && !m_transport.cancelled())
        channel.write(toWire(text));
}

void ModemDialogue::Scarica()
{
    m_transport.Svuota_Ingresso();
}

QString ModemDialogue::takeReceived()
{
    Channel& channel = m_transport.channel();
    return channel.isOpen() ? fromWire(channel.readAll()) : QString();
}

bool ModemDialogue::openPort(int port)
{
    closePort();
    Channel& channel = m_transport.channel();
    m_transport.session().Porta = static_cast<int16_t>(std::clamp<int>(
        port, std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max()));
    channel.setPortName(m_transport.deviceFor(port));
    m_openError.clear();
    const bool opened = channel.open(LineSettings{}, &m_openError);
    if (!opened)
        m_openError = portErrorText(port, channel.portName(), channel.openFault(), m_openError);
    applyLines();
    return opened;
}

void ModemDialogue::closePort()
{
    m_transport.Chiudi_Seriale();
}

QString ModemDialogue::identify(int port, bool discardAfterOpen)
{
    openPort(port);
    if (discardAfterOpen)
        Scarica();
    m_transport.Pausa(kCommandPause);
    Interroga_Modem(QStringLiteral("ATE0\r"));
    m_transport.Pausa(kCommandPause);
    Scarica();
    Interroga_Modem(QStringLiteral("ATI3\r"));
    m_transport.Pausa(kCommandPause);
    return takeReceived();
}

bool ModemDialogue::quickTest(int port)
{
    // A port that is open already is the one tested.
    if (!m_transport.channel().isOpen()) {
        m_transport.channel().setPortName(m_transport.deviceFor(port));
        m_transport.channel().open(LineSettings{}, nullptr);
        applyLines();
    }
    Scarica();
    Interroga_Modem(QStringLiteral("AT\r"));
    m_transport.Pausa(kTestPause);
    const bool answered = !takeReceived().isEmpty();
    closePort();
    return answered;
}

QString ModemDialogue::dialCommand(const QString& number, bool dialPause)
{
    if (number.trimmed().isEmpty())
        return QString();
    const QString dialled = dialPause ? number.left(1) + u',' + number.mid(1) : number;
    return QStringLiteral("ATD") + dialled + u'\r';
}

bool ModemDialogue::dial(const QString& number, bool dialPause)
{
    m_transport.Pausa(kDialPause);
    Interroga_Modem(QStringLiteral("atx0\r"));
    m_transport.Pausa(kDialPause);
    const QString command = dialCommand(number, dialPause);
    if (command.isEmpty() || m_transport.cancelled())
        return false;
    Interroga_Modem(command);
    return true;
}

void ModemDialogue::hangUp()
{
    m_transport.Invia_Comando(QStringLiteral("+++"), QString());
    m_transport.Pausa(kEscapeGuard);
    m_transport.Invia_Comando(QStringLiteral("ATH\r"), QString());
}

ModemReply readModemReply(const QString& reply, QString* previousTail)
{
    ModemReply result;
    result.shown = reply.mid(2);
    const QString text = (previousTail ? *previousTail : QString()) + reply;
    static const QRegularExpression lineEnd(QStringLiteral("[\r\n]"));
    const QStringList lines = text.split(lineEnd);
    for (const QString& line : lines) {
        if (line.contains(QLatin1String("CONNECT")))
            result.connected = true;
        else if (line.contains(QLatin1String("NO CARRIER")))
            result.connected = false;
    }
    if (previousTail)
        *previousTail = lines.constLast().right(kLongestTail);
    return result;
}

} // namespace korvelan
