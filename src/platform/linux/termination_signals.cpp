#include "platform/linux/termination_signals.h"

#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace glasspane {

namespace {

// The write end of the pipe. A POSIX signal handler can reach nothing but process-wide
// state, so this one descriptor is the exception to "no globals"; it is set and cleared only
// by TerminationSignals.
std::atomic<int>& writeEnd()
{
    static std::atomic<int> fd{-1};
    return fd;
}

void onSignal(int signalNumber)
{
    // The interrupted code may be about to read errno: write() must not change it under it.
    const int savedErrno = errno;
    const int fd = writeEnd().load();
    if (fd >= 0) {
        const unsigned char byte = static_cast<unsigned char>(signalNumber);
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent)
{
    if (writeEnd().load() >= 0 || ::pipe2(m_fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    writeEnd().store(m_fds[1]);

    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);

    m_notifier = new QSocketNotifier(m_fds[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        unsigned char byte = 0;
        while (::read(m_fds[0], &byte, 1) == 1)
            Q_EMIT terminationRequested(byte);
    });
}

TerminationSignals::~TerminationSignals()
{
    if (!m_notifier)
        return;
    ::signal(SIGTERM, SIG_DFL);
    ::signal(SIGINT, SIG_DFL);
    writeEnd().store(-1);
    delete m_notifier;
    ::close(m_fds[0]);
    ::close(m_fds[1]);
}

} // namespace glasspane
