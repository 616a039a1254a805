#include "link/LinkLog.h"

#include <algorithm>

namespace korvelan {

namespace {

constexpr char kEndOfText = 0x03;

QString controlName(unsigned char c)
{
    switch (c) {
    case '\r':
        return QStringLiteral("<CR>");
    case '\n':
        return QStringLiteral("<LF>");
    case 0x03:
        return QStringLiteral("<ETX>");
    default:
        return QStringLiteral("<0x%1>")
            .arg(c, 2, 16, QLatin1Char('0'))
            .toUpper()
            .replace(QStringLiteral("<0X"), QStringLiteral("<0x"));
    }
}

} // namespace

LinkLog::LinkLog(Clock& clock, WallClock wall, QObject* parent)
    : QObject(parent), m_clock(clock),
      m_wall(wall ? std::move(wall) : [] { return QDateTime::currentDateTime(); })
{
    m_quiet.setSingleShot(true);
    connect(&m_quiet, &QTimer::timeout, this, &LinkLog::quiet);
}

void LinkLog::active()
{
    // Arming a timer costs more than a busy stream's batch: the time of the last bytes is
    // noted, and the timer, once armed, looks again when it fires.
    m_lastActive = m_clock.now();
    if (!m_quiet.isActive())
        m_quiet.start(kQuietEnd);
}

void LinkLog::quiet()
{
    const auto sinceActive = m_clock.now() - m_lastActive;
    if (sinceActive < kQuietEnd) {
        m_quiet.start(std::chrono::ceil<std::chrono::milliseconds>(kQuietEnd - sinceActive));
        return;
    }
    // A command or reply that is over shows now; a stream shows what came since its last
    // summary, and goes on.
    if (m_gathering == Gathering::Streaming)
        summarise(false);
    else
        endLine();
}

QString LinkLog::readable(const QByteArray& bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 0x20 && c < 0x7f)
            out += QLatin1Char(ch);
        else
            out += controlName(c);
    }
    return out;
}

QString LinkLog::stamp(const QDateTime& at) const
{
    return at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
}

void LinkLog::add(const QString& text, const QDateTime& at)
{
    const QString line = stamp(at) + QLatin1Char(' ') +
                         (m_label.isEmpty() ? text : m_label + QLatin1Char(' ') + text);
    m_lines.push_back(line);
    if (m_lines.size() > size_t(kKeptLines))
        m_lines.pop_front();
    const bool written = writeToFile(line);
    emit lineAdded(line);
    if (written)
        return;
    // Said once, here and to whoever listens; the lines go on being kept in memory.
    const QString reason = m_file.errorString();
    m_file.close();
    add(QStringLiteral("-- the log file %1 cannot be written (%2): no more lines go to it")
            .arg(m_file.fileName(), reason),
        at);
    emit fileFailed(m_file.fileName(), reason);
}

bool LinkLog::writeToFile(const QString& line)
{
    if (!m_file.isOpen())
        return true;
    const QByteArray bytes = line.toUtf8() + "\r\n";
    return m_file.write(bytes) == bytes.size() && m_file.flush();
}

void LinkLog::endLine()
{
    switch (m_gathering) {
    case Gathering::Nothing:
        return;
    case Gathering::Sending:
        add(QStringLiteral("-> ") + readable(m_pending), m_pendingAt);
        break;
    case Gathering::Receiving:
        add(QStringLiteral("<- ") + readable(m_pending), m_pendingAt);
        break;
    case Gathering::Streaming:
        summarise(true);
        break;
    }
    m_gathering = Gathering::Nothing;
    m_pending.clear();
}

void LinkLog::summarise(bool last)
{
    if (m_periodBytes == 0 && !last)
        return;
    QString text =
        QStringLiteral("<- [data] %1 bytes, %2 lines").arg(m_periodBytes).arg(m_periodLines);
    if (last)
        text += QStringLiteral("; in all %1 bytes, %2 lines%3")
                    .arg(m_streamBytes)
                    .arg(m_streamLines)
                    .arg(m_streamEnded ? QStringLiteral(", ended by <ETX>") : QString());
    add(text, m_wall());
    m_periodBytes = m_periodLines = 0;
}

void LinkLog::sent(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return;
    // A modem command ends with CR: what follows is the next one, answered or not.
    if (m_gathering != Gathering::Sending || m_pending.endsWith('\r')) {
        endLine();
        m_gathering = Gathering::Sending;
        m_pendingAt = m_wall();
    }
    m_pending += bytes;
    active();
}

void LinkLog::received(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return;
    active();
    if (m_gathering != Gathering::Receiving && m_gathering != Gathering::Streaming) {
        endLine();
        m_gathering = Gathering::Receiving;
        m_pendingAt = m_wall();
    }
    if (m_gathering == Gathering::Receiving) {
        m_pending += bytes;
        if (m_pending.size() <= kStreamAfter) {
            if (bytes.contains(kEndOfText))
                endLine(); // a short download: over now, not when the link goes quiet
            return;
        }
        // Long enough to be a stream: what came so far is counted, and shown no more.
        const QByteArray first = std::exchange(m_pending, {});
        m_gathering = Gathering::Streaming;
        m_streamBytes = m_streamLines = m_periodBytes = m_periodLines = 0;
        m_streamEnded = false;
        m_nextSummary = m_clock.now() + kSummaryEvery;
        add(QStringLiteral("<- [data] ") + readable(first.left(80)) + QStringLiteral("..."),
            m_pendingAt);
        received(first);
        return;
    }
    const auto lines = std::count(bytes.begin(), bytes.end(), '\n');
    m_streamBytes += bytes.size();
    m_periodBytes += bytes.size();
    m_streamLines += lines;
    m_periodLines += lines;
    if (bytes.contains(kEndOfText)) {
        // The stream is over: its closing line carries this time, not the next traffic's.
        m_streamEnded = true;
        endLine();
        return;
    }
    if (m_lastActive >= m_nextSummary) {
        summarise(false);
        m_nextSummary = m_lastActive + kSummaryEvery;
    }
}

void LinkLog::note(const QString& event)
{
    endLine();
    add(QStringLiteral("-- ") + event, m_wall());
}

void LinkLog::flush()
{
    endLine();
}

bool LinkLog::writeTo(const QString& path, const QString& runStart, QString* error)
{
    m_file.close();
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        if (error)
            *error = m_file.errorString();
        return false;
    }
    const QByteArray first =
        (stamp(m_wall()) + QStringLiteral(" == ") + runStart).toUtf8() + "\r\n";
    if (m_file.write(first) == first.size() && m_file.flush())
        return true;
    if (error)
        *error = m_file.errorString();
    m_file.close();
    return false;
}

void LinkLog::clear()
{
    m_lines.clear();
    emit cleared();
}

} // namespace korvelan
