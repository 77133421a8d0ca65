#include "adapters/signal_watcher.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QSocketNotifier>
#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>

namespace zelmar {
namespace {

constexpr std::array<int, 3> kSignals{SIGINT, SIGTERM, SIGHUP};
// The signal, counted from the first, that ends the process from the handler itself: the
// event loop has had its two chances, so the program may be stuck outside it.
constexpr int kSignalsToEndAtOnce = 3;

int g_pipe[2] = {-1, -1};
volatile std::sig_atomic_t g_count = 0;
volatile std::sig_atomic_t g_first = 0;
std::array<struct sigaction, kSignals.size()> g_replaced{};
struct sigaction g_replacedPipe {};
// What the handler writes before it ends the process, made ready beforehand: the handler may
// call nothing that allocates.
std::array<char, 160> g_lastWords{};
std::size_t g_lastWordsSize = 0;

void OnSignal(int signal) {
    const int savedErrno = errno;
    if (g_first == 0) g_first = signal;
    g_count = g_count + 1;  // the other signals are blocked while this runs
    if (g_count >= kSignalsToEndAtOnce) {
        (void)!::write(STDERR_FILENO, g_lastWords.data(), g_lastWordsSize);
        ::_exit(128 + g_first);
    }
    const auto byte = static_cast<unsigned char>(signal);
    (void)!::write(g_pipe[1], &byte, 1);  // a full pipe has news waiting already
    errno = savedErrno;
}

}  // namespace

SignalWatcher::SignalWatcher(std::function<void(int, int)> handler) : handler_(std::move(handler)) {
    g_count = 0;
    g_first = 0;
    const std::string lastWords =
        QFileInfo(QCoreApplication::applicationFilePath()).fileName().toStdString() +
        ": a third signal ends the program at once; a lock file may stay behind\n";
    g_lastWordsSize = std::min(lastWords.size(), g_lastWords.size());
    std::memcpy(g_lastWords.data(), lastWords.data(), g_lastWordsSize);
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        g_pipe[0] = g_pipe[1] = -1;  // the handler still counts; Count() tells the caller
    } else {
        notifier_ = std::make_unique<QSocketNotifier>(g_pipe[0], QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                         [this] { Drain(); });
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : kSignals) sigaddset(&action.sa_mask, signal);
    // Calls under way carry on: only the event loop reacts to a signal.
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &action, &g_replaced[i]);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGPIPE, &ignore, &g_replacedPipe);
}

SignalWatcher::~SignalWatcher() {
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &g_replaced[i], nullptr);
    ::sigaction(SIGPIPE, &g_replacedPipe, nullptr);
    notifier_.reset();
    for (int& end : g_pipe) {
        if (end >= 0) ::close(end);
        end = -1;
    }
}

int SignalWatcher::Count() {
    return g_count;
}

int SignalWatcher::First() {
    return g_first;
}

std::string SignalWatcher::Name(int signal) {
    switch (signal) {
        case SIGINT:
            return "SIGINT";
        case SIGTERM:
            return "SIGTERM";
        case SIGHUP:
            return "SIGHUP";
        default:
            return "signal " + std::to_string(signal);
    }
}

void SignalWatcher::Drain() {
    unsigned char caught[16];
    ssize_t got = 0;
    while ((got = ::read(g_pipe[0], caught, sizeof caught)) > 0) {
        for (ssize_t i = 0; i < got; ++i) handler_(caught[i], ++seen_);
    }
}

int OccupyClosedStandardStreams() {
    int closed = 0;
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        closed |= 1 << fd;
        const int opened = ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (opened >= 0 && opened != fd) {
            ::dup2(opened, fd);
            ::close(opened);
        }
    }
    return closed;
}

}  // namespace zelmar
