// zelmar-simulator: the device on a pseudo-terminal. The dialogue itself lives in Device; this
// file holds the terminal, the line timing, the log and the process's lifetime.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

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
#include "object_table.h"
#include "options.h"

namespace {

using namespace zelmar::sim;
using namespace std::chrono_literals;

// One byte on a 1200 baud line with 8 data bits, no parity and one stop bit: 10 bit times.
constexpr auto kByteTime = std::chrono::microseconds(10'000'000 / 1200);
// How often the device looks whether a programmer has opened the terminal.
constexpr int kIdleCheckMs = 20;

volatile sig_atomic_t g_stop_signal = 0;

void OnStopSignal(int signal) {
    g_stop_signal = signal;
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
    return g_stop_signal != 0;
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
    Line(int master, std::string terminal) : master_(master), terminal_(std::move(terminal)) {}

    // True while some process has the terminal open. With nobody on the other side the master
    // reports a hang-up and reads fail with EIO; those reads also clear the condition.
    bool PeerPresent() {
        pollfd fd{master_, POLLIN, 0};
        if (poll(&fd, 1, 0) < 0) return !hung_up_;
        hung_up_ = (fd.revents & POLLHUP) != 0;
        if (hung_up_) Drain();
        return !hung_up_;
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
            hung_up_ = true;
            return false;
        }
    }

    // Collects what arrives within `wait`; returns as soon as something has arrived.
    // A zero wait only takes what is already there.
    std::vector<std::uint8_t> Collect(std::chrono::milliseconds wait) {
        std::vector<std::uint8_t> bytes;
        pollfd fd{master_, POLLIN, 0};
        int ready = poll(&fd, 1, static_cast<int>(wait.count()));
        if (ready <= 0) return bytes;
        if (fd.revents & POLLHUP) {
            hung_up_ = true;
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
            if (got < 0 && errno == EIO) hung_up_ = true;
            break;
        }
        return bytes;
    }

    bool HungUp() const { return hung_up_; }

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
    void Drain() {
        std::uint8_t buffer[64];
        while (read(master_, buffer, sizeof buffer) > 0) {
        }
    }

    int master_;
    std::string terminal_;
    bool hung_up_ = true;
};

bool SaveTo(const std::string& path, const ObjectTable& table) {
    std::ofstream out(path);
    SaveTable(out, table);
    out.close();
    if (!out) std::cerr << "zelmar-simulator: cannot write " << path << '\n';
    return static_cast<bool>(out);
}

enum class Ending { kSignal, kHangupFault, kPeerClosed };

// Plays the device until a signal, the hang-up fault or (with --exit-on-close) the
// programmer's close ends it.
Ending Run(Line& line, Device& device, const Options& options, TrafficLog& log) {
    const auto answer_wait = std::chrono::milliseconds(options.answer_wait_ms);
    std::vector<std::uint8_t> answer;
    bool connected = false;
    bool ever_connected = false;
    while (!Stopping()) {
        if (!connected) {
            if (!line.PeerPresent()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(kIdleCheckMs));
                continue;
            }
            connected = true;
            ever_connected = true;
            line.FlushReceived();
            log.Note("programmer opened the line");
            device.LinkOpened();
            answer.clear();
        }

        Emission emission = device.Next(answer);
        answer.clear();
        if (!line.Write(emission.byte)) {
            connected = false;
        } else {
            log.Sent(emission.byte);
            if (device.CurrentPhase() == Device::Phase::kReadData && options.hangup_after > 0 &&
                device.DataBytesSent() >= options.hangup_after) {
                // Let the data byte reach the programmer before the line goes dead with it.
                std::this_thread::sleep_for(options.fast ? answer_wait : kByteTime + answer_wait);
                return Ending::kHangupFault;
            }
            if (!options.fast) std::this_thread::sleep_for(kByteTime);
            answer = line.Collect(emission.awaits_answer ? answer_wait : 0ms);
            for (std::uint8_t byte : answer) log.Received(byte);
            if (line.HungUp()) connected = false;
        }
        if (!connected) {
            line.DiscardUnread();
            log.Note("programmer closed the line");
            if (options.exit_on_close && ever_connected) return Ending::kPeerClosed;
        }
    }
    return Ending::kSignal;
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

    ObjectTable table = DefaultTable();
    if (options.table) {
        std::ifstream in(*options.table);
        if (!in) {
            std::cerr << "zelmar-simulator: cannot read " << *options.table << '\n';
            return 2;
        }
        TableLoad load = LoadTable(in);
        if (!load.table) {
            std::cerr << *options.table << ':' << load.error_line << ": " << load.error << '\n';
            return 2;
        }
        table = *load.table;
    }
    if (options.place_poll_values) PlacePollValues(table);

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

    Device device(table, options.faults);
    Line line(master, name);
    Ending ending = Run(line, device, options, log);

    if (ending == Ending::kHangupFault) log.Note("hanging up");
    close(master);
    if (options.link) unlink(options.link->c_str());
    bool saved = !options.save || SaveTo(*options.save, device.Table());
    return saved ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    return Main(argc, argv);
}
