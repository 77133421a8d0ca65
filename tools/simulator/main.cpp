// zelmar-simulator: the device on a pseudo-terminal. The dialogue itself lives in Device; this
// file holds the terminal, the line timing, the log and the process's lifetime.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/prctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "device.h"
#include "device_table.h"
#include "options.h"

namespace {

using namespace zelmar::sim;
using namespace std::chrono_literals;

using Clock = std::chrono::steady_clock;
// How long the device listens for a late answer after a window closed in silence, at least.
constexpr auto kLateGuard = std::chrono::milliseconds(20);
// How often the device looks whether a programmer has opened the terminal.
constexpr int kIdleCheckMs = 20;
// How long the device lets a programmer's opening settle before its first byte: an opening
// ends by emptying the line's buffers (a first byte sent into its midst would go with them),
// and a programmer may open the terminal more than once in it (a lock, then the port).
constexpr auto kOpeningSettles = std::chrono::milliseconds(10);

volatile sig_atomic_t stopSignal = 0;

void OnStopSignal(int signal) {
    stopSignal = signal;
}

void InstallSignalHandlers() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no restart: a pending poll() returns at once with EINTR
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

bool Stopping() {
    return stopSignal != 0;
}

class TrafficLog {
  public:
    bool Open(const std::string& path) {
        file_ = std::fopen(path.c_str(), "w");
        return file_ != nullptr;
    }
    ~TrafficLog() {
        if (file_) std::fclose(file_);
    }
    void Sent(std::uint8_t byte) { Line("> " + std::to_string(byte)); }
    void Received(std::uint8_t byte) { Line("< " + std::to_string(byte)); }
    void Late(std::uint8_t byte) { Line("< " + std::to_string(byte) + " late"); }
    void Note(const std::string& text) { Line("# " + text); }

  private:
    // Flushed line by line, so that whoever watches the file sees the traffic as it happens.
    void Line(const std::string& line) {
        if (!file_) return;
        std::fputs(line.c_str(), file_);
        std::fputc('\n', file_);
        std::fflush(file_);
    }
    std::FILE* file_ = nullptr;
};

// The master side of the pseudo-terminal, and whether a programmer holds the other side.
class Line {
  public:
    // Also counts the descriptors open on the terminal side, from the openings and closings the
    // system reports, so that a close and reopen too quick for any look at the line (a hang-up
    // shows only while nobody holds it) is seen all the same. Made before anybody can know the
    // terminal's name.
    Line(int master, std::string terminal) : master_(master), terminal_(std::move(terminal)) {
        watch_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (watch_ >= 0 && inotify_add_watch(watch_, terminal_.c_str(), IN_OPEN | IN_CLOSE) < 0) {
            close(watch_);
            watch_ = -1;
        }
    }
    ~Line() {
        if (watch_ >= 0) close(watch_);
    }
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;

    // A new link begins: what the counts said before it no longer matters.
    void LinkStarts() {
        ReadOpenings();
        emptied_ = false;
    }

    // True while some process has the terminal open. With nobody on the other side the master
    // reports a hang-up and reads fail with EIO; those reads also clear the condition.
    bool PeerPresent() {
        pollfd fd{master_, POLLIN, 0};
        if (poll(&fd, 1, 0) < 0) return !hungUp_;
        hungUp_ = (fd.revents & POLLHUP) != 0;
        if (hungUp_) Drain();
        return !hungUp_;
    }

    bool Write(std::uint8_t byte) {
        for (;;) {
            ssize_t written = write(master_, &byte, 1);
            if (written == 1) return true;
            if (written < 0 && errno == EINTR && !Stopping()) continue;
            if (written < 0 && errno == EAGAIN) {
                // The programmer is not reading; wait for room rather than spin.
                pollfd fd{master_, POLLOUT, 0};
                if (poll(&fd, 1, kIdleCheckMs) >= 0 && !(fd.revents & POLLHUP) && !Stopping()) {
                    continue;
                }
            }
            hungUp_ = true;
            return false;
        }
    }

    // Collects what arrives until `deadline`; returns as soon as something has arrived. A
    // deadline already passed only takes what is already there.
    std::vector<std::uint8_t> Collect(Clock::time_point deadline) {
        std::vector<std::uint8_t> bytes;
        pollfd fd{master_, POLLIN, 0};
        const auto wait = std::max(Clock::duration::zero(), deadline - Clock::now());
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(wait);
        const timespec timeout{static_cast<time_t>(seconds.count()),
                               static_cast<long>((wait - seconds) / std::chrono::nanoseconds(1))};
        int ready = ppoll(&fd, 1, &timeout, nullptr);
        if (ready <= 0) return bytes;
        if (fd.revents & POLLHUP) {
            hungUp_ = true;
            Drain();
            return bytes;
        }
        std::uint8_t buffer[64];
        for (;;) {
            ssize_t got = read(master_, buffer, sizeof buffer);
            if (got > 0) {
                bytes.insert(bytes.end(), buffer, buffer + got);
                continue;
            }
            if (got < 0 && errno == EIO) hungUp_ = true;
            break;
        }
        return bytes;
    }

    // Whether the programmer closed the terminal since the link began, however quickly it
    // opened it again.
    bool HungUp() {
        ReadOpenings();
        if (emptied_) hungUp_ = true;
        return hungUp_;
    }

    // Drops what the programmer sent on an earlier link and we have not read.
    void FlushReceived() { tcflush(master_, TCIFLUSH); }

    // Drops what we sent and the programmer did not read before it closed the terminal. Those
    // bytes wait on the terminal side, where only a handle on that side can flush them; left
    // there they would greet the next opening ahead of its first byte.
    void DiscardUnread() {
        int terminal = open(terminal_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (terminal < 0) return;
        tcflush(terminal, TCIFLUSH);
        close(terminal);
        Drain();
    }

  private:
    // Counts what the system reported so far; notes when no descriptor was left open.
    void ReadOpenings() {
        if (watch_ < 0) return;
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            const ssize_t got = read(watch_, buffer, sizeof buffer);
            if (got <= 0) return;
            for (ssize_t at = 0; at < got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->mask & IN_OPEN) ++holders_;
                if (event->mask & IN_CLOSE) {
                    if (holders_ > 0) --holders_;
                    if (holders_ == 0) emptied_ = true;
                }
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
    }

    void Drain() {
        std::uint8_t buffer[64];
        while (read(master_, buffer, sizeof buffer) > 0) {
        }
    }

    int master_;
    std::string terminal_;
    bool hungUp_ = true;
    int watch_ = -1;        // the system's reports of openings and closings of the terminal
    int holders_ = 0;       // descriptors open on the terminal side, ours included
    bool emptied_ = false;  // none was left open at some moment since the link began
};

bool SaveTo(const std::string& path, const DeviceTable& table) {
    std::ofstream out(path);
    SaveTable(out, table);
    out.close();
    if (!out) std::cerr << "zelmar-simulator: cannot write " << path << '\n';
    return static_cast<bool>(out);
}

enum class Ending { Signal, HangupFault, PeerClosed };

// How the device's polls fared against its answer window.
struct AnswerCounts {
    long inTime = 0;
    long late = 0;

    std::string Text(const Device& device) const {
        return "answers in time " + std::to_string(inTime) + ", missed " +
               std::to_string(device.MissedAnswers()) + ", late " + std::to_string(late) +
               ", dropped " + std::to_string(device.DroppedAnswers());
    }
};

// Plays the device until a signal, the hang-up fault or (with --exit-on-close) the
// programmer's close ends it.
Ending Run(Line& line, Device& device, const Options& options, TrafficLog& log,
           AnswerCounts& counts) {
    const auto byteTime =
        options.fast
            ? Clock::duration::zero()
            : std::chrono::duration_cast<Clock::duration>(std::chrono::seconds(1)) / options.pace;
    const bool windowed = options.answerWindowUs.has_value();
    const auto answerWait = windowed ? std::chrono::duration_cast<Clock::duration>(
                                           std::chrono::microseconds(*options.answerWindowUs))
                                     : std::chrono::duration_cast<Clock::duration>(
                                           std::chrono::milliseconds(options.answerWaitMs));
    // What arrives until `deadline` answers a poll whose window has closed.
    auto TakeLate = [&](Clock::time_point deadline) {
        for (std::uint8_t byte : line.Collect(deadline)) {
            ++counts.late;
            log.Late(byte);
        }
    };
    std::vector<std::uint8_t> answer;
    bool connected = false;
    bool everConnected = false;
    while (!Stopping()) {
        if (!connected) {
            if (!line.PeerPresent()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(kIdleCheckMs));
                continue;
            }
            connected = true;
            everConnected = true;
            line.LinkStarts();
            std::this_thread::sleep_for(kOpeningSettles);
            line.FlushReceived();
            log.Note("programmer opened the line");
            device.LinkOpened();
            answer.clear();
        }

        Emission emission = device.Next(answer);
        answer.clear();
        if (windowed) {
            // Whatever came since the last window closed answers a poll the device has given up
            // on: taken now, it cannot pass for the answer to the byte about to go out.
            TakeLate(Clock::time_point{});
        }
        if (!line.Write(emission.byte)) {
            connected = false;
        } else {
            const auto sent = Clock::now();
            log.Sent(emission.byte);
            if (device.CurrentPhase() == Device::Phase::ReadData && options.hangupAfter > 0 &&
                device.DataBytesSent() >= options.hangupAfter) {
                // Let the data byte reach the programmer before the line goes dead with it.
                std::this_thread::sleep_until(sent + byteTime + answerWait);
                return Ending::HangupFault;
            }
            // The byte is on the line for one byte time; the window opens when it has left.
            if (byteTime > Clock::duration::zero()) std::this_thread::sleep_until(sent + byteTime);
            answer = line.Collect(emission.awaitsAnswer ? sent + byteTime + answerWait
                                                        : Clock::time_point{});
            if (emission.awaitsAnswer && !answer.empty()) ++counts.inTime;
            for (std::uint8_t byte : answer) log.Received(byte);
            if (windowed && emission.awaitsAnswer && answer.empty()) {
                // The window closed in silence. A slow programmer's answer may still be on its
                // way: listen a while longer before the next poll, so that it arrives as what it
                // is, late, rather than in the next poll's window as an answer to that.
                const auto until = Clock::now() + std::max<Clock::duration>(answerWait, kLateGuard);
                while (!line.HungUp() && !Stopping() && Clock::now() < until) TakeLate(until);
            }
            if (line.HungUp()) connected = false;
        }
        if (!connected) {
            line.DiscardUnread();
            log.Note("programmer closed the line");
            if (options.exitOnClose && everConnected) return Ending::PeerClosed;
        }
    }
    return Ending::Signal;
}

int Main(int argc, char** argv) {
    std::vector<std::string_view> args(argv + 1, argv + argc);
    ParsedOptions parsed = ParseOptions(args);
    if (!parsed.error.empty()) {
        std::cerr << "zelmar-simulator: " << parsed.error << "\n(--help lists the options)\n";
        return 2;
    }
    const Options& options = parsed.options;
    if (options.help) {
        std::cout << Usage("zelmar-simulator");
        return 0;
    }

    DeviceTable table = DefaultTable();
    if (options.table) {
        std::ifstream in(*options.table);
        if (!in) {
            std::cerr << "zelmar-simulator: cannot read " << *options.table << '\n';
            return 2;
        }
        TableLoad load = LoadTable(in);
        if (!load.table) {
            std::cerr << *options.table << ':' << load.errorLine << ": " << load.error << '\n';
            return 2;
        }
        table = *load.table;
    }
    if (options.placePollValues) PlacePollValues(table);

    TrafficLog log;
    if (options.log && !log.Open(*options.log)) {
        std::cerr << "zelmar-simulator: cannot write " << *options.log << '\n';
        return 1;
    }

    int master = -1;
    int slave = -1;
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        std::cerr << "zelmar-simulator: openpty: " << std::strerror(errno) << '\n';
        return 1;
    }
    // Raw on the terminal side: every byte passes untouched, as on a real serial line. The
    // setting stays with the terminal when the programmer closes and reopens it.
    termios raw{};
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    cfsetispeed(&raw, B1200);
    cfsetospeed(&raw, B1200);
    tcsetattr(slave, TCSANOW, &raw);
    // Our own handle on the terminal side would hide the programmer's opening and closing.
    close(slave);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    Line line(master, name);

    if (options.link) {
        unlink(options.link->c_str());
        if (symlink(name, options.link->c_str()) != 0) {
            std::cerr << "zelmar-simulator: cannot link " << *options.link << ": "
                      << std::strerror(errno) << '\n';
            close(master);
            return 1;
        }
    }
    InstallSignalHandlers();
    std::cout << name << std::endl;

    // Sleeps and waits end within a microsecond or so of their time rather than the default
    // fifty, which is most of a byte time at the fastest paces.
    if (options.answerWindowUs) prctl(PR_SET_TIMERSLACK, 1000UL, 0UL, 0UL, 0UL);

    Device device(table, options.faults);
    AnswerCounts counts;
    Ending ending = Run(line, device, options, log, counts);

    if (ending == Ending::HangupFault) log.Note("hanging up");
    log.Note(counts.Text(device));
    if (options.answerWindowUs) std::cerr << "zelmar-simulator: " << counts.Text(device) << '\n';
    close(master);
    if (options.link) unlink(options.link->c_str());
    bool saved = !options.save || SaveTo(*options.save, device.Table());
    return saved ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    return Main(argc, argv);
}
