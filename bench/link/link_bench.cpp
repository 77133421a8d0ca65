// Plays the device on a pseudo-terminal against a program under test and times it from the
// device's side of the line, where an answer's delay is what the device sees.
//
//   link_bench latency ANSWERS NAME poll|read "COMMAND" [NAME poll|read "COMMAND" ...]
//       Poll-to-answer latency over ANSWERS answered polls of each program, after a warm-up.
//       "poll" sends 172 and waits for 0x55, over and over. "read" runs read exchanges of
//       objects 0, 1, 2, ...: the unanswered first 172 and the data byte are each followed by a
//       quiet millisecond in which nothing may come back, and the answered polls (172 -> 0x55,
//       202 -> high address byte, 202 -> low address byte) are timed. Each poll goes out as
//       soon as the previous answer is in, as a fast device would send it.
//   link_bench table [OBJECTS] NAME "COMMAND" [NAME "COMMAND" ...]
//       A read of the whole table, objects 0 to 8191 (or to OBJECTS - 1, for a program told
//       the same count), as fast as the program answers: the data
//       byte, the next 172 and 172 go out together, then each 202 as soon as the previous answer
//       is in. Objects per second up to the last answer; then the program's own report of its
//       memory and of the table it received ("done rss_kb N table_fnv H boxes B").
//   link_bench startup RUNS NAME "COMMAND" [NAME "COMMAND" ...]
//       Starts each command RUNS times, taking turns, and takes the time from just before the
//       start to the program's report of its first paint ("painted NS RSS_KB"), and the memory.
//
// Several programs run side by side, each on a pseudo-terminal of its own, and take turns in
// short spells. COMMAND is split at blanks; "{port}" in it becomes the program's
// pseudo-terminal path, which is also in ZELMAR_COM1. Results are "key value" lines on stdout; a
// broken dialogue ends with a message on stderr and exit status 1.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "support/process.h"

namespace {

constexpr int kObjects = 8192;
constexpr int kWarmUpAnswers = 200;
constexpr int kAnswerTimeoutMs = 3000;

struct Broken : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::int64_t NowNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// The device's table: varied bytes, 202 among them, and a repeat delay the panel can show. A
// data byte of 172 is left out: the program reads such an object a second time to tell it from
// a poll, which the minimal answerer does not, and the two must read the same exchanges.
std::uint8_t DeviceEntry(int object) {
    if (object == 8176) return 3;
    const auto entry = static_cast<std::uint8_t>(object * 7 + 3);
    return entry == 172 ? 171 : entry;
}

std::uint32_t DeviceTableHash(int objects) {
    std::uint32_t hash = 2166136261u;
    for (int object = 0; object < objects; ++object) {
        hash ^= DeviceEntry(object);
        hash *= 16777619u;
    }
    return hash;
}

// The device's end of a pseudo-terminal. The driver keeps the program's end open too, so that
// the line stays up while the program opens and sets up its end.
class Line {
  public:
    Line() {
        if (openpty(&device_, &program_, nullptr, nullptr, nullptr) != 0)
            throw Broken("no pseudo-terminal");
        termios raw{};
        tcgetattr(program_, &raw);
        cfmakeraw(&raw);
        tcsetattr(program_, TCSANOW, &raw);
        fcntl(device_, F_SETFD, FD_CLOEXEC);
        fcntl(program_, F_SETFD, FD_CLOEXEC);
        path_ = ttyname(program_);
    }
    ~Line() {
        close(device_);
        close(program_);
    }
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;

    const std::string& path() const { return path_; }

    void Send(const std::vector<std::uint8_t>& bytes) {
        if (write(device_, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
            throw Broken("write to the line failed");
    }
    void Send(std::uint8_t byte) { Send(std::vector<std::uint8_t>{byte}); }

    // The next byte from the program, or nothing within `timeoutMs`.
    std::optional<std::uint8_t> Receive(int timeoutMs) {
        pollfd ready{device_, POLLIN, 0};
        if (poll(&ready, 1, timeoutMs) <= 0) return std::nullopt;
        std::uint8_t byte = 0;
        if (read(device_, &byte, 1) != 1) return std::nullopt;
        return byte;
    }

    void Expect(std::uint8_t expected, const char* what) {
        const std::optional<std::uint8_t> answer = Receive(kAnswerTimeoutMs);
        if (!answer) throw Broken(std::string("no answer to ") + what);
        if (*answer != expected)
            throw Broken(std::string("answer to ") + what + " was " + std::to_string(*answer) +
                         ", not " + std::to_string(expected));
    }
    // Nothing may come back for `ms` milliseconds.
    void Quiet(int ms, const char* after) {
        if (const std::optional<std::uint8_t> stray = Receive(ms))
            throw Broken(std::string("unexpected ") + std::to_string(*stray) + " after " + after);
    }

  private:
    int device_ = -1;
    int program_ = -1;
    std::string path_;
};

std::vector<std::string> Split(const std::string& command, const std::string& port) {
    std::vector<std::string> words;
    std::istringstream in(command);
    for (std::string word; in >> word;) {
        if (const auto at = word.find("{port}"); at != std::string::npos) word.replace(at, 6, port);
        words.push_back(word);
    }
    return words;
}

// A program under test with its stdout on a pipe, on which it reports.
class Program {
  public:
    Program(const std::string& command, const std::string& port)
        : process_(Words(command, port), Options(port)) {}

    // The program's next line of stdout.
    std::string ReadLine(int timeoutMs, const char* waitingFor) {
        if (std::optional<std::string> line =
                process_.ReadLine(std::chrono::milliseconds(timeoutMs)))
            return *line;
        throw Broken(std::string(process_.Running() ? "the program did not report "
                                                    : "the program ended before ") +
                     waitingFor);
    }

    // Waits for the program to end by itself, as it does once it has reported.
    void Wait() { process_.Wait(std::chrono::minutes(1)); }

  private:
    static std::vector<std::string> Words(const std::string& command, const std::string& port) {
        std::vector<std::string> words = Split(command, port);
        if (words.empty()) throw Broken("empty command");
        return words;
    }
    static zelmar::testing::ProcessOptions Options(const std::string& port) {
        zelmar::testing::ProcessOptions options;
        options.out = zelmar::testing::Output::Pipe();
        if (!port.empty()) options.environment.push_back("ZELMAR_COM1=" + port);
        return options;
    }

    zelmar::testing::Process process_;
};

double Quantile(std::vector<double> values, double q) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(q * values.size()))];
}

void Print(const std::string& key, double value) {
    std::printf("%s %.6g\n", key.c_str(), value);
}

// A program under test on a line of its own, with what has been measured of it.
struct Subject {
    Subject(std::string name, std::string shape, const std::string& command)
        : name(std::move(name)), shape(std::move(shape)), program(command, line.path()) {}

    std::string name;
    std::string shape;
    Line line;
    Program program;
    std::vector<double> micros;
    int object = 0;
    double seconds = 0;
};

using Subjects = std::vector<std::unique_ptr<Subject>>;

void AwaitReady(const Subjects& subjects) {
    for (const auto& subject : subjects) {
        if (subject->program.ReadLine(30000, "that it is ready") != "ready")
            throw Broken(subject->name + " is not ready");
    }
}

// One timed poll; the answer must be `expected`.
void Timed(Subject& subject, std::uint8_t poll, std::uint8_t expected, const char* what) {
    const std::int64_t start = NowNs();
    subject.line.Send(poll);
    subject.line.Expect(expected, what);
    subject.micros.push_back(static_cast<double>(NowNs() - start) / 1000.0);
}

// A poll or a whole read exchange of the next object, as the subject's shape says.
void LatencyStep(Subject& subject) {
    if (subject.shape == "poll") {
        Timed(subject, 172, 0x55, "172");
        return;
    }
    const int object = subject.object;
    subject.object = (object + 1) % kObjects;
    subject.line.Send(172);
    subject.line.Quiet(1, "the first 172");
    Timed(subject, 172, 0x55, "the second 172");
    Timed(subject, 202, static_cast<std::uint8_t>(object / 256), "the first 202");
    Timed(subject, 202, static_cast<std::uint8_t>(object % 256), "the second 202");
    subject.line.Send(DeviceEntry(object));
    subject.line.Quiet(1, "a data byte");
}

// The subjects take turns in short spells, so that a loaded machine's bad moments fall on all
// of them alike.
int Latency(int answers, const Subjects& subjects) {
    AwaitReady(subjects);
    constexpr std::size_t kSpell = 30;
    const auto wanted = static_cast<std::size_t>(answers + kWarmUpAnswers);
    for (bool more = true; more;) {
        more = false;
        for (const auto& subject : subjects) {
            const std::size_t until = std::min(wanted, subject->micros.size() + kSpell);
            while (subject->micros.size() < until) LatencyStep(*subject);
            more = more || subject->micros.size() < wanted;
        }
    }
    for (const auto& subject : subjects) {
        std::vector<double>& micros = subject->micros;
        micros.erase(micros.begin(), micros.begin() + kWarmUpAnswers);
        Print(subject->name + ".answers", static_cast<double>(micros.size()));
        Print(subject->name + ".p50_us", Quantile(micros, 0.50));
        Print(subject->name + ".p99_us", Quantile(micros, 0.99));
        Print(subject->name + ".max_us", Quantile(micros, 1.0));
    }
    return 0;
}

// Objects `first` to `last` - 1 of a fast whole-table read: the previous object's data byte,
// 172 and 172 in one go, then each 202 as soon as the previous answer is in.
void ReadObjects(Subject& subject, int first, int last) {
    const std::int64_t start = NowNs();
    for (int object = first; object < last; ++object) {
        std::vector<std::uint8_t> bytes;
        if (object > 0) bytes.push_back(DeviceEntry(object - 1));
        bytes.push_back(172);
        bytes.push_back(172);
        subject.line.Send(bytes);
        subject.line.Expect(0x55, "172, 172");
        subject.line.Send(202);
        subject.line.Expect(static_cast<std::uint8_t>(object / 256), "the first 202");
        subject.line.Send(202);
        subject.line.Expect(static_cast<std::uint8_t>(object % 256), "the second 202");
    }
    subject.seconds += static_cast<double>(NowNs() - start) * 1e-9;
}

int Table(int objects, const Subjects& subjects) {
    AwaitReady(subjects);
    constexpr int kSpell = 512;
    for (int first = 0; first < objects; first += kSpell) {
        for (const auto& subject : subjects)
            ReadObjects(*subject, first, std::min(first + kSpell, objects));
    }
    bool sound = true;
    for (const auto& subject : subjects) {
        subject->line.Send(DeviceEntry(objects - 1));
        std::istringstream done(subject->program.ReadLine(60000, "the end of the read"));
        std::string word;
        long rssKb = 0;
        std::uint32_t hash = 0;
        long boxes = -1;
        done >> word;
        if (word != "done") throw Broken(subject->name + " reported " + word);
        while (done >> word) {
            if (word == "rss_kb") done >> rssKb;
            if (word == "table_fnv") done >> hash;
            if (word == "boxes") done >> boxes;
        }
        subject->program.Wait();
        const bool tableOk = hash == DeviceTableHash(objects);
        sound = sound && tableOk && boxes == 0;
        Print(subject->name + ".objects_per_s", objects / subject->seconds);
        Print(subject->name + ".seconds", subject->seconds);
        Print(subject->name + ".rss_kb", static_cast<double>(rssKb));
        Print(subject->name + ".table_ok", tableOk ? 1 : 0);
        Print(subject->name + ".boxes", static_cast<double>(boxes));
    }
    return sound ? 0 : 1;
}

int Startup(int runs, const std::vector<std::pair<std::string, std::string>>& programs) {
    std::vector<std::vector<double>> millis(programs.size());
    std::vector<std::vector<double>> rssKb(programs.size());
    for (int run = 0; run < runs; ++run) {
        for (std::size_t i = 0; i < programs.size(); ++i) {
            const std::int64_t start = NowNs();
            Program program(programs[i].second, "");
            std::istringstream painted(program.ReadLine(60000, "its first paint"));
            std::string word;
            std::int64_t at = 0;
            long rss = 0;
            painted >> word >> at >> rss;
            if (word != "painted") throw Broken("unexpected report: " + word);
            millis[i].push_back(static_cast<double>(at - start) / 1e6);
            rssKb[i].push_back(static_cast<double>(rss));
            program.Wait();
        }
    }
    for (std::size_t i = 0; i < programs.size(); ++i) {
        Print(programs[i].first + ".start_ms_p50", Quantile(millis[i], 0.5));
        Print(programs[i].first + ".start_ms_min", Quantile(millis[i], 0.0));
        Print(programs[i].first + ".rss_kb_p50", Quantile(rssKb[i], 0.5));
    }
    return 0;
}

int Usage(const char* self) {
    std::fprintf(stderr,
                 "usage: %s latency ANSWERS NAME poll|read \"COMMAND\" [...]\n"
                 "       %s table [OBJECTS] NAME \"COMMAND\" [NAME \"COMMAND\" ...]\n"
                 "       %s startup RUNS NAME \"COMMAND\" [NAME \"COMMAND\" ...]\n",
                 self, self, self);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);
    const std::vector<std::string> args(argv + 1, argv + argc);
    try {
        // NAME "COMMAND" pairs, or NAME SHAPE "COMMAND" triples, from `from` on.
        const auto subjects = [&](std::size_t from, bool shaped) {
            Subjects made;
            const std::size_t width = shaped ? 3 : 2;
            if (args.size() <= from || (args.size() - from) % width != 0) return made;
            for (std::size_t i = from; i < args.size(); i += width) {
                const std::string shape = shaped ? args[i + 1] : "read";
                if (shape != "poll" && shape != "read") return Subjects{};
                made.push_back(std::make_unique<Subject>(args[i], shape, args[i + width - 1]));
            }
            return made;
        };
        if (args.size() >= 2 && args[0] == "latency") {
            if (Subjects made = subjects(2, true); !made.empty())
                return Latency(std::stoi(args[1]), made);
        }
        if (args.size() >= 1 && args[0] == "table") {
            const bool counted = args.size() > 1 && !args[1].empty() &&
                                 args[1].find_first_not_of("0123456789") == std::string::npos;
            const int objects = counted ? std::stoi(args[1]) : kObjects;
            if (objects < 1 || objects > kObjects) return Usage(argv[0]);
            if (Subjects made = subjects(counted ? 2 : 1, false); !made.empty())
                return Table(objects, made);
        }
        if (args.size() >= 4 && args.size() % 2 == 0 && args[0] == "startup") {
            std::vector<std::pair<std::string, std::string>> programs;
            for (std::size_t i = 2; i < args.size(); i += 2)
                programs.emplace_back(args[i], args[i + 1]);
            return Startup(std::stoi(args[1]), programs);
        }
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "link_bench: %s\n", failure.what());
        return 1;
    }
    return Usage(argv[0]);
}
