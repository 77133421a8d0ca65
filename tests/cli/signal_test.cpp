// SIGINT, SIGTERM and SIGHUP met by both programs, run as processes against the simulator:
// the job ends at an exchange boundary (the objects the device holds as written are exactly
// those reported done), the port is closed and its lock file gone, the program says so once
// (the window one line on standard error, zelmar-cli its JSON object) and exits 128 + N.
#include <poll.h>
#include <termios.h>

#include <QRegularExpression>
#include <QString>

#include "cli/cli_fixture.h"

namespace zelmar::testing {
namespace {

enum class Program { Cli, Window, Programator };
enum class Moment {
    Idle,         // the port open and no job (the real window: the port closed)
    MidWrite,     // a write of the whole table under way
    Silent,       // a device that fell silent mid-exchange: the wait for it is bounded
    SilentTwice,  // the same, and a second signal ends the wait at once
};

// A device played by hand on a pseudo-terminal of the test's own: it begins a write exchange
// (172, 172 answered with the write command, 202 answered with the address's high byte) and
// falls silent in its midst.
class SilentDevice {
  public:
    SilentDevice() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return;
        path_ = ::ptsname(master_);
        // Raw, as a serial line: every byte passes untouched.
        const int slave = ::open(path_.c_str(), O_RDWR | O_NOCTTY);
        termios raw{};
        ::tcgetattr(slave, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(slave, TCSANOW, &raw);
        ::close(slave);
    }
    ~SilentDevice() {
        if (master_ >= 0) ::close(master_);
    }
    SilentDevice(const SilentDevice&) = delete;
    SilentDevice& operator=(const SilentDevice&) = delete;

    const std::string& path() const { return path_; }

    // Plays up to the middle of the first exchange; false if the programmer never got there.
    bool BeginAnExchangeAndFallSilent() {
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        // The programmer has the line open once the master no longer reports a hang-up.
        while (true) {
            pollfd fd{master_, POLLIN, 0};
            ::poll(&fd, 1, 0);
            if ((fd.revents & POLLHUP) == 0) break;
            char drain[64];
            while (::read(master_, drain, sizeof drain) > 0) {
            }
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(10ms);
        }
        // Polls until the write command comes: the first after the opening may be discarded.
        while (!Await(172, 170, 50ms)) {
            if (std::chrono::steady_clock::now() > deadline) return false;
        }
        return Await(202, -1, 2s);  // the high address byte; then nothing more
    }

  private:
    // Sends `poll` and waits for an answer (`expected`, or any when -1).
    bool Await(std::uint8_t poll, int expected, std::chrono::milliseconds limit) {
        if (::write(master_, &poll, 1) != 1) return false;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            std::uint8_t answer = 0;
            if (::read(master_, &answer, 1) == 1) return expected < 0 || answer == expected;
            std::this_thread::sleep_for(1ms);
        }
        return false;
    }

    int master_ = -1;
    std::string path_;
};

struct SignalCase {
    int signal;
    Program program;
    Moment moment;
};

std::string CaseName(const ::testing::TestParamInfo<SignalCase>& info) {
    const SignalCase& c = info.param;
    const char* signal = c.signal == SIGINT ? "Int" : c.signal == SIGTERM ? "Term" : "Hup";
    const char* program = c.program == Program::Cli      ? "Cli"
                          : c.program == Program::Window ? "Window"
                                                         : "Programator";
    const char* moment = c.moment == Moment::Idle       ? "Idle"
                         : c.moment == Moment::MidWrite ? "MidWrite"
                         : c.moment == Moment::Silent   ? "DeviceSilent"
                                                        : "DeviceSilentTwoSignals";
    return std::string(signal) + program + moment;
}

// Whether the process has a handler for `signal`: its watcher is in place.
bool Catches(pid_t pid, int signal) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (!line.starts_with("SigCgt:")) continue;
        const unsigned long long mask = std::stoull(line.substr(7), nullptr, 16);
        return (mask >> (signal - 1)) & 1U;
    }
    return false;
}

class SignalTest : public CliTest, public ::testing::WithParamInterface<SignalCase> {};

TEST_P(SignalTest, EndsAtAnExchangeReleasesTheLineAndSaysSo) {
    const SignalCase& c = GetParam();
    constexpr int kLast = 8191;
    Write("table.zset", WriteFile(0, kLast));
    StartDevice();
    const int silent = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(silent, 0);
    ASSERT_EQ(::grantpt(silent), 0);
    ASSERT_EQ(::unlockpt(silent), 0);
    const std::string silentPath = ::ptsname(silent);

    const bool writing = c.moment != Moment::Idle;
    const bool deviceSilent = c.moment == Moment::Silent || c.moment == Moment::SilentTwice;
    SilentDevice silentDevice;
    // The line the program is given.
    const std::string line = deviceSilent ? silentDevice.path() : Line();
    std::vector<std::string> args;
    switch (c.program) {
        case Program::Cli:
            args = writing ? std::vector<std::string>{ZELMAR_CLI, "write", Path("table.zset"),
                                                      "-p",       line,    "--json"}
                           : std::vector<std::string>{ZELMAR_CLI,  "read", "-p",    silentPath,
                                                      "--timeout", "60",   "--json"};
            break;
        case Program::Window:
            args = writing ? std::vector<std::string>{ZELMAR_WINDOW_DRIVER, "write", "0",
                                                      std::to_string(kLast)}
                           : std::vector<std::string>{ZELMAR_WINDOW_DRIVER, "open"};
            break;
        case Program::Programator:
            args = {ZELMAR_PROGRAMATOR};
            break;
    }
    const std::vector<std::string> locked =
        c.program == Program::Cli && !writing ? std::vector<std::string>{silentPath}
        : deviceSilent                        ? std::vector<std::string>{silentDevice.path()}
                                              : std::vector<std::string>{Line(), terminal_};
    ProcessOptions options;
    options.environment.push_back("ZELMAR_COM1=" + line);
    Process program = Spawn(args, options);
    for (int i = 0; i < 1000 && !Catches(program.pid(), c.signal); ++i)
        std::this_thread::sleep_for(10ms);
    ASSERT_TRUE(Catches(program.pid(), c.signal)) << program.Err();
    if (deviceSilent) {
        ASSERT_TRUE(silentDevice.BeginAnExchangeAndFallSilent()) << program.Err();
    } else if (writing) {
        ASSERT_TRUE(WaitForLog("< 170")) << program.Err();
        std::this_thread::sleep_for(100ms);
    } else if (c.program == Program::Window) {
        ASSERT_TRUE(WaitForLog("programmer opened the line")) << program.Err();
    }
    if (c.program != Program::Programator) {
        // The lock is there while the port is open, so its absence afterwards means something.
        for (int i = 0; i < 500 && LockFilesOf(locked).empty(); ++i)
            std::this_thread::sleep_for(10ms);
        EXPECT_FALSE(LockFilesOf(locked).empty()) << "the open port's lock file";
    }
    program.Signal(c.signal);
    if (c.moment == Moment::SilentTwice) {
        std::this_thread::sleep_for(300ms);
        program.Signal(c.signal);
    }
    const int status = program.Wait(30s);
    ::close(silent);
    EXPECT_EQ(status, 128 + c.signal) << program.Err();
    EXPECT_TRUE(LockFilesOf(locked).empty()) << "the lock is released";
    StopDevice();

    // What the program says it did: its count of objects done.
    const std::string err = program.Err();
    int done = -1;
    const QString signalName = c.signal == SIGINT    ? "SIGINT"
                               : c.signal == SIGTERM ? "SIGTERM"
                                                     : "SIGHUP";
    if (c.program == Program::Cli) {
        const std::optional<QJsonObject> json = OneJsonObject(program.Out());
        ASSERT_TRUE(json) << program.Out();
        EXPECT_EQ(json->value("status").toInt(), 128 + c.signal);
        EXPECT_EQ(json->value("signal").toString(), signalName);
        done = json->value("done").toInt(-1);
        const std::string message = json->value("message").toString().toStdString();
        EXPECT_NE(err.find(message), std::string::npos) << "the same sentence on stderr";
        if (c.moment == Moment::Silent) {
            EXPECT_NE(message.find("did not finish"), std::string::npos) << message;
        }
        if (c.moment == Moment::SilentTwice) {
            EXPECT_NE(message.find("second signal"), std::string::npos) << message;
        }
    } else {
        // One line of ours, whatever Qt says of its own.
        const QString text = QString::fromStdString(err);
        const QRegularExpression ours(QStringLiteral("^[a-z_-]+: %1: (.*)$").arg(signalName),
                                      QRegularExpression::MultilineOption);
        QRegularExpressionMatchIterator lines = ours.globalMatch(text);
        ASSERT_TRUE(lines.hasNext()) << err;
        const QString line = lines.next().captured(1);
        EXPECT_FALSE(lines.hasNext()) << "one line: " << err;
        if (!writing) {
            EXPECT_TRUE(line.startsWith(QStringLiteral("no job was under way; COM 1 ")))
                << line.toStdString();
            EXPECT_TRUE(line.endsWith(c.program == Program::Window ? QStringLiteral("closed.")
                                                                   : QStringLiteral("not open.")))
                << line.toStdString();
        } else {
            const QRegularExpressionMatch count =
                QRegularExpression(QStringLiteral("^Write (stopped|interrupted): (\\d+) of 8192 "
                                                  "done.*; COM 1 closed\\.$"))
                    .match(line);
            ASSERT_TRUE(count.hasMatch()) << line.toStdString();
            done = count.captured(2).toInt();
            if (deviceSilent) {
                // The object under way may have reached the device: it is not "not written".
                EXPECT_TRUE(line.contains(
                    QStringLiteral("object 0 left unfinished, objects 1 to 8191 not written")))
                    << line.toStdString();
            }
            if (c.moment == Moment::Silent) {
                EXPECT_TRUE(line.contains(QStringLiteral("did not finish"))) << line.toStdString();
            }
            if (c.moment == Moment::SilentTwice) {
                EXPECT_TRUE(line.contains(QStringLiteral("second signal"))) << line.toStdString();
            }
        }
    }
    if (!writing || deviceSilent) {
        // Nothing was done: the device never finished an exchange.
        if (c.program == Program::Cli || deviceSilent) {
            EXPECT_EQ(done, 0);
        }
        return;
    }

    // No exchange began after the signal: the device holds exactly the objects reported done
    // as written; of a device stopped mid-exchange, perhaps the object it was stopped in too.
    const std::vector<int> written = WrittenObjects(SavedTable(Path("saved")), 0, kLast);
    ASSERT_GT(done, 0);
    ASSERT_LT(done, kLast + 1) << "the signal came before the end";
    EXPECT_EQ(written.size(), static_cast<std::size_t>(done));
    for (std::size_t i = 0; i < written.size(); ++i) ASSERT_EQ(written[i], static_cast<int>(i));
}

std::vector<SignalCase> Cases() {
    std::vector<SignalCase> cases;
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        for (Program program : {Program::Cli, Program::Window})
            for (Moment moment : {Moment::Idle, Moment::MidWrite})
                cases.push_back({signal, program, moment});
    for (Program program : {Program::Cli, Program::Window})
        for (Moment moment : {Moment::Silent, Moment::SilentTwice})
            cases.push_back({SIGTERM, program, moment});
    cases.push_back({SIGTERM, Program::Programator, Moment::Idle});
    cases.push_back({SIGHUP, Program::Programator, Moment::Idle});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Programs, SignalTest, ::testing::ValuesIn(Cases()), CaseName);

}  // namespace
}  // namespace zelmar::testing
