#include "collect/StopSignal.h"

#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace korvelan {

#ifdef Q_OS_UNIX

namespace {

int g_sockets[2] = {-1, -1};

void onSignal(int number)
{
    const char byte = static_cast<char>(number);
    [[maybe_unused]] const auto written = ::write(g_sockets[1], &byte, 1);
}

} // namespace

StopSignal::StopSignal(QObject* parent) : QObject(parent)
{
    if (g_sockets[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM, 0, g_sockets) != 0)
        return;
    m_notifier = new QSocketNotifier(g_sockets[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &StopSignal::readSignal);
    struct sigaction action
    {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

StopSignal::~StopSignal()
{
    if (!m_notifier)
        return;
    ::signal(SIGTERM, SIG_DFL);
    ::signal(SIGINT, SIG_DFL);
    delete m_notifier;
    m_notifier = nullptr;
    ::close(g_sockets[0]);
    ::close(g_sockets[1]);
    g_sockets[0] = g_sockets[1] = -1;
}

void StopSignal::readSignal()
{
    char byte = 0;
    if (::read(g_sockets[0], &byte, 1) != 1)
        return;
    emit stopRequested(byte == SIGINT ? QStringLiteral("SIGINT") : QStringLiteral("SIGTERM"));
}

#else

// Elsewhere the system ends the program its own way (Windows' Task Scheduler does not ask).
StopSignal::StopSignal(QObject* parent) : QObject(parent) {}
StopSignal::~StopSignal() = default;
void StopSignal::readSignal() {}

#endif

} // namespace korvelan
