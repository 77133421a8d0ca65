#include "adapters/signal_watcher.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QtGlobal>
#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include "adapters/windows_api.h"

#include <cstdint>
#include <mutex>
#include <vector>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace zelmar {
namespace {

// Windows knows no hang-up signal; closing the console window stands for it there, under the
// number it has elsewhere.
#ifdef SIGHUP
constexpr int kHangUp = SIGHUP;
#else
constexpr int kHangUp = 1;
#endif

// The signal, counted from the first, that ends the process from the handler itself: the
// event loop has had its two chances, so the program may be stuck outside it.
constexpr int kSignalsToEndAtOnce = 3;

volatile std::sig_atomic_t g_count = 0;
volatile std::sig_atomic_t g_first = 0;
// What the handler writes before it ends the process, made ready beforehand: the handler may
// call nothing that allocates.
std::array<char, 160> g_lastWords{};
std::size_t g_lastWordsSize = 0;

void PrepareLastWords() {
    g_count = 0;
    g_first = 0;
    const std::string lastWords =
        QFileInfo(QCoreApplication::applicationFilePath()).fileName().toStdString() +
        ": a third signal ends the program at once; a lock file may stay behind\n";
    g_lastWordsSize = std::min(lastWords.size(), g_lastWords.size());
    std::memcpy(g_lastWords.data(), lastWords.data(), g_lastWordsSize);
}

}  // namespace

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
        case kHangUp:
            return "SIGHUP";
        default:
            return "signal " + std::to_string(signal);
    }
}

#ifdef Q_OS_WIN

namespace {

// The console's events arrive on a thread of their own, not in a signal handler: they are
// queued here and handed to the watcher in the event loop.
std::mutex g_pendingLock;
std::vector<int> g_pending;
std::function<void()> g_drain;  // set and cleared in the event loop's thread only

BOOL WINAPI OnConsoleEvent(DWORD event) {
    int signal = SIGINT;
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
            signal = SIGINT;
            break;
        case CTRL_CLOSE_EVENT:
            signal = kHangUp;
            break;
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT:
            signal = SIGTERM;
            break;
        default:
            return FALSE;
    }
    if (g_first == 0) g_first = signal;
    g_count = g_count + 1;
    if (g_count >= kSignalsToEndAtOnce) {
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_ERROR_HANDLE), g_lastWords.data(),
                  static_cast<DWORD>(g_lastWordsSize), &written, nullptr);
        ExitProcess(static_cast<UINT>(128 + g_first));
    }
    {
        const std::lock_guard<std::mutex> hold(g_pendingLock);
        g_pending.push_back(signal);
    }
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(
            app,
            [] {
                if (g_drain) g_drain();
            },
            Qt::QueuedConnection);
    // The system ends the process as soon as the handler returns from these: waiting here
    // lets the event loop close the port and report first, within the system's own time limit.
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) Sleep(INFINITE);
    return TRUE;
}

}  // namespace

SignalWatcher::SignalWatcher(std::function<void(int, int)> handler) : handler_(std::move(handler)) {
    PrepareLastWords();
    {
        const std::lock_guard<std::mutex> hold(g_pendingLock);
        g_pending.clear();
    }
    g_drain = [this] { Drain(); };
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

SignalWatcher::~SignalWatcher() {
    SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
    g_drain = nullptr;
}

void SignalWatcher::Drain() {
    std::vector<int> caught;
    {
        const std::lock_guard<std::mutex> hold(g_pendingLock);
        caught.swap(g_pending);
    }
    for (const int signal : caught) handler_(signal, ++seen_);
}

int OccupyClosedStandardStreams() {
    int closed = 0;
    for (int fd = 0; fd <= 2; ++fd) {
        // -2: the program has no console, and the stream no handle.
        const std::intptr_t handle = _get_osfhandle(fd);
        if (handle != -1 && handle != -2) continue;
        closed |= 1 << fd;
        const int opened = _open("NUL", fd == 0 ? _O_RDONLY : _O_WRONLY);
        if (opened >= 0 && opened != fd) {
            _dup2(opened, fd);
            _close(opened);
        }
    }
    return closed;
}

#else

namespace {

constexpr std::array<int, 3> kSignals{SIGINT, SIGTERM, kHangUp};

int g_pipe[2] = {-1, -1};
std::array<struct sigaction, kSignals.size()> g_replaced{};
struct sigaction g_replacedPipe {};

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
    PrepareLastWords();
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

#endif

}  // namespace zelmar
