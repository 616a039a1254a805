#include "PtyEndpoint.h"

#include <QSocketNotifier>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#ifdef __linux__
#include <sys/inotify.h>
#endif

namespace korvelan::sim {

using namespace std::chrono;

namespace {
// After an unexpected read error the master is left alone this long instead of being retried
// in a loop.
constexpr auto kResumeAfterError = milliseconds(200);
} // namespace

PtyEndpoint::PtyEndpoint(LinkPeer& peer, QObject* parent) : QObject(parent), m_peer(peer)
{
    m_due.setSingleShot(true);
    m_due.setTimerType(Qt::PreciseTimer);
    connect(&m_due, &QTimer::timeout, this, &PtyEndpoint::onDue);
    m_resume.setSingleShot(true);
    connect(&m_resume, &QTimer::timeout, this, [this] { m_readNotifier->setEnabled(true); });
}

PtyEndpoint::~PtyEndpoint()
{
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_closeWatch >= 0)
        ::close(m_closeWatch);
}

bool PtyEndpoint::open(QString* error)
{
    const auto fail = [error](const char* what) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(QLatin1String(what),
                                                  QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    };
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0)
        return fail("posix_openpt");
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
        return fail("grantpt");
    const char* name = ::ptsname(m_master);
    if (!name)
        return fail("ptsname");
    m_slavePath = QString::fromLocal8Bit(name);
    m_slave = ::open(name, O_RDWR | O_NOCTTY);
    if (m_slave < 0)
        return fail("open slave");
    termios tio{};
    if (::tcgetattr(m_slave, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::cfsetispeed(&tio, B9600);
        ::cfsetospeed(&tio, B9600);
        ::tcsetattr(m_slave, TCSANOW, &tio);
    }
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);

#ifdef __linux__
    // Every close of the device by another process; ours stays open.
    m_closeWatch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_closeWatch >= 0 &&
        ::inotify_add_watch(m_closeWatch, m_slavePath.toLocal8Bit().constData(),
                            IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) >= 0) {
        auto* closes = new QSocketNotifier(m_closeWatch, QSocketNotifier::Read, this);
        connect(closes, &QSocketNotifier::activated, this, &PtyEndpoint::onPortClosed);
    }
#endif
    m_readNotifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &PtyEndpoint::onReadable);
    m_writeNotifier = new QSocketNotifier(m_master, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &PtyEndpoint::onWritable);
    schedule();
    return true;
}

void PtyEndpoint::onReadable()
{
    char buffer[4096];
    const ssize_t n = ::read(m_master, buffer, sizeof buffer);
    if (n > 0) {
        const QByteArray bytes(buffer, n);
        if (m_tap)
            m_tap(true, bytes);
        m_peer.receive(bytes, steady_clock::now());
        schedule();
        return;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    // No reader can make this go away at once; look again a little later.
    m_readNotifier->setEnabled(false);
    m_resume.start(kResumeAfterError);
}

void PtyEndpoint::onPortClosed()
{
    char events[1024];
    bool closed = false;
    while (::read(m_closeWatch, events, sizeof events) > 0)
        closed = true;
    if (!closed)
        return;
    m_peer.portClosed(steady_clock::now());
    schedule();
}

void PtyEndpoint::onDue()
{
    const auto now = steady_clock::now();
    const QByteArray out = m_peer.take(now);
    if (!out.isEmpty()) {
        if (m_tap)
            m_tap(false, out);
        m_pending += out;
        flush();
    }
    if (m_peer.droppedBy(now))
        emit lineDropped();
    schedule();
}

void PtyEndpoint::schedule()
{
    const auto next = m_peer.nextEvent();
    if (!next) {
        m_due.stop();
        return;
    }
    const auto wait = ceil<milliseconds>(*next - steady_clock::now());
    m_due.start(std::max(milliseconds(0), wait));
}

void PtyEndpoint::flush()
{
    while (!m_pending.isEmpty()) {
        const ssize_t n =
            ::write(m_master, m_pending.constData(), static_cast<size_t>(m_pending.size()));
        if (n > 0) {
            m_pending.remove(0, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN) {
            // The slave's input queue is full (nobody reads it): wait until it drains.
            m_writeNotifier->setEnabled(true);
            return;
        }
        m_pending.clear(); // the line cannot take it; a real line would lose it too
        break;
    }
    m_writeNotifier->setEnabled(false);
}

void PtyEndpoint::onWritable()
{
    flush();
}

} // namespace korvelan::sim
