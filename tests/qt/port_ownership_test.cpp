// One owner per device, whoever asks: a table of two openers of one pseudo-terminal, the test
// holding its master side as the device. The first opener holds the port; the second, by the
// same path, by a link to it or by the real path, from the window's serial port or from
// zelmar-cli, is refused in so many words and touches nothing: the line's settings stay as
// they were, bytes waiting for the first are still there, and the device receives no byte.
// Run as root (the bench machine often does, and CI does), where the kernel's exclusive mode
// stops nobody.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QTest>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "adapters/port_assignments.h"
#include "adapters/qt_serial_port.h"
#include "numbers/numbers.h"
#include "support/process.h"
#include "support/temp_folder.h"
#include "support/test_application.h"

namespace zelmar {
namespace {

using namespace std::chrono_literals;
using testing::Process;

// How long the first zelmar-cli waits for polls that never come, holding the port meanwhile:
// long enough for the second opener's attempt.
constexpr int kFirstCliSeconds = 6;

enum class Program { Window, Cli };
enum class Name { Real, Link };

struct Opener {
    Program program;
    Name name;
};

struct OwnershipCase {
    const char* name;
    Opener first, second;
};

void PrintTo(const OwnershipCase& c, std::ostream* out) {
    *out << c.name;
}

bool SameSettings(const termios& a, const termios& b) {
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
           a.c_lflag == b.c_lflag && cfgetispeed(&a) == cfgetispeed(&b) &&
           cfgetospeed(&a) == cfgetospeed(&b) && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0;
}

class PortOwnershipTest : public ::testing::TestWithParam<OwnershipCase> {
  protected:
    void SetUp() override {
        testing::TestApplication();
        char name[256] = {};
        int slave = -1;
        ASSERT_EQ(::openpty(&master_, &slave, name, nullptr, nullptr), 0);
        ::close(slave);  // the openers open it by name, as they would a device
        real_ = name;
        ASSERT_FALSE(dir_.path().empty());
        link_ = (dir_ / "by-id-link").string();
        std::filesystem::create_symlink(real_, link_);
    }
    void TearDown() override {
        window_.reset();
        cli_.reset();
        if (master_ >= 0) ::close(master_);
        qunsetenv("ZELMAR_COM1");
    }

    std::string PathOf(Name name) const { return name == Name::Real ? real_ : link_; }

    termios LineSettings() const {
        termios settings{};
        ::tcgetattr(master_, &settings);  // a master reports its terminal's settings
        return settings;
    }

    // The window's serial port as the window builds it: COM 1 through its port assignments.
    std::unique_ptr<QtSerialPort> WindowPort(Name name) {
        qputenv("ZELMAR_COM1", QByteArray::fromStdString(PathOf(name)));
        auto port = std::make_unique<QtSerialPort>(assignments_);
        port->OnReceive = [this](std::uint8_t byte) { received_ += static_cast<char>(byte); };
        return port;
    }

    // zelmar-cli waiting for the device's polls on the port, which never come.
    std::unique_ptr<Process> Cli(Name name, int timeoutSeconds) {
        return std::make_unique<Process>(
            std::vector<std::string>{ZELMAR_CLI, "read", "-p", PathOf(name), "--timeout",
                                     std::to_string(timeoutSeconds), "-q"},
            testing::ProcessOptions::Files(dir_ / ("cli" + std::to_string(++runs_))));
    }

    // Opens the port for the first opener and returns once it holds it.
    void First(Opener opener) {
        if (opener.program == Program::Window) {
            window_ = WindowPort(opener.name);
            ASSERT_NO_THROW(window_->SetPortOpen(true));
            return;
        }
        const termios initial = LineSettings();
        const speed_t before = cfgetospeed(&initial);
        // It gives up on its own once the device has said nothing for that long.
        cli_ = Cli(opener.name, kFirstCliSeconds);
        // Its opening sets the line to 1200 baud.
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        termios now = LineSettings();
        while (cfgetospeed(&now) == before && std::chrono::steady_clock::now() < deadline) {
            QTest::qWait(10);
            now = LineSettings();
        }
        ASSERT_EQ(cfgetospeed(&now), B1200) << "zelmar-cli did not open the port";
    }

    // The second opener's attempt: the refusal it gave, and its exit status for the CLI.
    std::string Second(Opener opener, int* status) {
        if (opener.program == Program::Window) {
            std::unique_ptr<QtSerialPort> port = WindowPort(opener.name);
            try {
                port->SetPortOpen(true);
            } catch (const StepError& refusal) {
                EXPECT_FALSE(port->PortOpen());
                return refusal.what();
            }
            return "(opened)";
        }
        std::unique_ptr<Process> cli = Cli(opener.name, 1);
        *status = cli->Wait(30s);
        return cli->Err();
    }

    // What reaches the device within `ms`.
    std::string DeviceReceives(int ms) {
        std::string bytes;
        pollfd fd{master_, POLLIN, 0};
        while (::poll(&fd, 1, ms) > 0) {
            char buffer[256];
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n <= 0) break;
            bytes.append(buffer, static_cast<std::size_t>(n));
        }
        return bytes;
    }

    int master_ = -1;
    std::string real_, link_;
    testing::TempFolder dir_{"zelmar-ownership"};
    PortAssignments assignments_;
    std::unique_ptr<QtSerialPort> window_;
    std::unique_ptr<Process> cli_;
    std::string received_;
    int runs_ = 0;
};

TEST_P(PortOwnershipTest, TheSecondOpenerIsRefusedAndTouchesNothing) {
    const OwnershipCase& c = GetParam();
    if (::geteuid() != 0)
        GTEST_SKIP() << "the case that matters is root's, whom nothing else stops";
    ASSERT_NO_FATAL_FAILURE(First(c.first));

    const termios before = LineSettings();
    // Bytes for the first opener, waiting in the system until it reads them: a second opener
    // that flushed the line would lose them.
    const bool windowFirst = c.first.program == Program::Window;
    if (windowFirst) {
        ASSERT_EQ(::write(master_, "\x01\x02", 2), 2);
    }

    int status = -1;
    const std::string refusal = Second(c.second, &status);
    const std::string expected = "COM 1 (" + real_ + ") is in use by another program";
    if (c.second.program == Program::Window) {
        EXPECT_EQ(refusal, expected);
    } else {
        EXPECT_EQ(refusal, "zelmar-cli: " + expected + "\n");
        EXPECT_EQ(status, 1);
    }
    EXPECT_TRUE(SameSettings(LineSettings(), before)) << "the line's settings changed";
    EXPECT_EQ(DeviceReceives(300), "") << "the device received bytes";
    if (windowFirst) {
        EXPECT_TRUE(QTest::qWaitFor([&] { return received_ == "\x01\x02"; }, 2000))
            << "the first opener's bytes were lost: \"" << received_ << "\"";
        window_->Output("\x55");
        EXPECT_EQ(DeviceReceives(1000), "\x55") << "the first opener still owns the line";
    }

    // Released when the first one closes: the window's port opens now, by the other name.
    if (windowFirst) {
        window_->SetPortOpen(false);
    } else {
        EXPECT_EQ(cli_->Wait(30s), 1) << cli_->Err();
    }
    std::unique_ptr<QtSerialPort> next =
        WindowPort(c.first.name == Name::Real ? Name::Link : Name::Real);
    EXPECT_NO_THROW(next->SetPortOpen(true));
}

INSTANTIATE_TEST_SUITE_P(
    Openers, PortOwnershipTest,
    ::testing::Values(
        OwnershipCase{
            "WindowTwiceBySamePath", {Program::Window, Name::Real}, {Program::Window, Name::Real}},
        OwnershipCase{"WindowByLinkThenByRealPath",
                      {Program::Window, Name::Link},
                      {Program::Window, Name::Real}},
        OwnershipCase{"CliTwiceBySamePath", {Program::Cli, Name::Link}, {Program::Cli, Name::Link}},
        OwnershipCase{
            "CliByLinkThenCliByRealPath", {Program::Cli, Name::Link}, {Program::Cli, Name::Real}},
        OwnershipCase{"WindowByLinkThenCliByRealPath",
                      {Program::Window, Name::Link},
                      {Program::Cli, Name::Real}},
        OwnershipCase{"CliByRealPathThenWindowByLink",
                      {Program::Cli, Name::Real},
                      {Program::Window, Name::Link}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zelmar
