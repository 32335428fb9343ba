#include "StopSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

int signalPipe[2] = {-1, -1};

void onSignal(int number)
{
    const int savedErrno = errno;
    const char byte = char(number);
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
    errno = savedErrno;
}

bool ignoredAtStart(int number)
{
    struct sigaction current {};
    return ::sigaction(number, nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
}

void setAction(int number, void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    // Restarted system calls: a signal must not make a serial read or a file
    // write fail; the pipe tells the loop.
    action.sa_flags = SA_RESTART;
    ::sigemptyset(&action.sa_mask);
    ::sigaction(number, &action, nullptr);
}

void unblock(int number)
{
    sigset_t set;
    ::sigemptyset(&set);
    ::sigaddset(&set, number);
    ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

} // namespace

StopSignals::StopSignals(QObject *parent)
    : QObject(parent)
{
    // Without the pipe the signals keep their default action: they end the
    // program at once.
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &StopSignals::drain);
    for (int number : kStopSignals) {
        if (ignoredAtStart(number))
            continue;
        setAction(number, onSignal);
        m_handled.append(number);
    }
}

StopSignals::~StopSignals()
{
    if (!m_notifier)
        return;
    for (int number : m_handled)
        setAction(number, SIG_DFL);
    delete m_notifier;
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
}

void StopSignals::drain()
{
    char numbers[16];
    ssize_t n;
    while ((n = ::read(signalPipe[0], numbers, sizeof numbers)) > 0 || (n < 0 && errno == EINTR)) {
        for (ssize_t i = 0; i < n; ++i)
            Q_EMIT received(numbers[i]);
    }
}

void endBySignal(int signalNumber)
{
    std::fflush(nullptr);
    // A held-back SIGPIPE acts as the program was started to let it act.
    if (signalNumber != SIGPIPE)
        setAction(signalNumber, SIG_DFL);
    unblock(signalNumber);
    if (signalNumber != SIGPIPE)
        ::raise(signalNumber);
}

void holdBackPipeSignal()
{
    sigset_t set;
    ::sigemptyset(&set);
    ::sigaddset(&set, SIGPIPE);
    ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

bool pipeSignalIgnored()
{
    return ignoredAtStart(SIGPIPE);
}
