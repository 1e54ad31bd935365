#include "logger/StopSignals.h"

#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_writeFd = -1;

void requestStop(int signal)
{
    const int saved = errno;
    const char byte = char(signal);
    [[maybe_unused]] const ssize_t n = ::write(g_writeFd, &byte, 1);
    errno = saved;
}

}  // namespace

StopSignals::StopSignals()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, m_fds) != 0)
        return;
    g_writeFd = m_fds[0];
    m_notifier = std::make_unique<QSocketNotifier>(m_fds[1], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &StopSignals::receive);
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGINT, SIGTERM})
        sigaction(signal, &action, nullptr);
}

StopSignals::~StopSignals()
{
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    for (int signal : {SIGINT, SIGTERM})
        sigaction(signal, &action, nullptr);
    g_writeFd = -1;
    m_notifier.reset();
    for (int fd : m_fds)
        if (fd >= 0)
            ::close(fd);
}

void StopSignals::receive()
{
    char byte = 0;
    if (::read(m_fds[1], &byte, 1) == 1)
        emit stopRequested(int(byte));
}
