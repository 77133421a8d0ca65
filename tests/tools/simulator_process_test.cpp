// The simulator as a programmer meets it: a running process, a terminal path on its standard
// output, bytes on the line. The test plays the programmer with plain POSIX calls.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "device_table.h"
#include "support/read_file.h"
#include "support/simulator_process.h"
#include "support/temp_folder.h"

namespace zelmar::sim {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using zelmar::testing::Output;
using zelmar::testing::ReadFile;
using zelmar::testing::TempFolder;

// Log lines of bytes only, without the '#' notes.
std::vector<std::string> TrafficLines(const fs::path& path) {
    std::vector<std::string> lines;
    std::istringstream in(ReadFile(path));
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line[0] != '#') lines.push_back(line);
    }
    return lines;
}

// The simulator under test, run from its executable.
class Simulator : public zelmar::testing::SimulatorProcess {
  public:
    explicit Simulator(std::vector<std::string> args, zelmar::testing::ProcessOptions options = {})
        : SimulatorProcess(WithProgram(std::move(args)), std::move(options)) {}

  private:
    static std::vector<std::string> WithProgram(std::vector<std::string> args) {
        args.insert(args.begin(), ZELMAR_SIMULATOR);
        return args;
    }
};

// The programmer's end of the line, keeping the transcript in the simulator's log format.
class Programmer {
  public:
    explicit Programmer(const std::string& path) : fd_(open(path.c_str(), O_RDWR | O_NOCTTY)) {
        termios raw{};
        if (fd_ >= 0 && tcgetattr(fd_, &raw) == 0) {
            cfmakeraw(&raw);
            tcsetattr(fd_, TCSANOW, &raw);
        }
    }
    ~Programmer() { Close(); }

    bool IsOpen() const { return fd_ >= 0; }
    void Close() {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }

    // The next byte from the device; nothing if the line stays silent or went dead.
    std::optional<std::uint8_t> Receive(std::chrono::milliseconds limit = 2s) {
        pollfd fd{fd_, POLLIN, 0};
        if (poll(&fd, 1, static_cast<int>(limit.count())) <= 0) return std::nullopt;
        std::uint8_t byte = 0;
        if (read(fd_, &byte, 1) != 1) return std::nullopt;
        transcript_.push_back("> " + std::to_string(byte));
        return byte;
    }

    void Send(std::uint8_t byte) {
        ASSERT_EQ(write(fd_, &byte, 1), 1);
        transcript_.push_back("< " + std::to_string(byte));
    }

    // One read exchange the way the programmer's dialogue runs it: ignore the first 172, answer
    // the second with 0x55, the two 202 with the address, and take the next byte as data.
    std::optional<std::uint8_t> ReadObject(int object) {
        int step = 0;
        while (std::optional<std::uint8_t> byte = Receive()) {
            if (step == 4 || (*byte != 172 && *byte != 202)) return byte;
            if (*byte == 172 && step < 2) {
                if (step == 1) Send(0x55);
                step++;
            } else if (*byte == 202 && step >= 2) {
                Send(static_cast<std::uint8_t>(step == 2 ? object / 256 : object % 256));
                step++;
            }
        }
        return std::nullopt;
    }

    // One write exchange, ending at the closing 202; false if the line failed on the way.
    bool WriteObject(int object, std::uint8_t data) {
        int step = 0;
        while (std::optional<std::uint8_t> byte = Receive()) {
            if (*byte == 172 && step < 2) {
                if (step == 1) Send(0xAA);
                step++;
            } else if (*byte == 202 && step >= 2) {
                if (step == 5) return true;
                const std::uint8_t answers[] = {static_cast<std::uint8_t>(object / 256),
                                                static_cast<std::uint8_t>(object % 256), data};
                Send(answers[step - 2]);
                step++;
            }
        }
        return false;
    }

    const std::vector<std::string>& Transcript() const { return transcript_; }

  private:
    int fd_;
    std::vector<std::string> transcript_;
};

class SimulatorProcessTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_FALSE(dir_.path().empty()); }

    // Every byte the programmer saw, and then only idle polls the programmer no longer read.
    void ExpectLogMatches(const Programmer& programmer) {
        std::vector<std::string> logged = TrafficLines(dir_ / "log.txt");
        const std::vector<std::string>& seen = programmer.Transcript();
        ASSERT_GE(logged.size(), seen.size());
        EXPECT_EQ(std::vector<std::string>(logged.begin(), logged.begin() + seen.size()), seen);
        for (std::size_t i = seen.size(); i < logged.size(); ++i) {
            EXPECT_EQ(logged[i], "> 172") << "log line " << i;
        }
    }

    TempFolder dir_{"zelmar-sim"};
};

TEST_F(SimulatorProcessTest, AnswersAReadOfARepeaterAndLogsTheTraffic) {
    Simulator simulator({"--fast", "--log", dir_ / "log.txt"});
    Programmer programmer(simulator.Terminal());
    ASSERT_TRUE(programmer.IsOpen());

    EXPECT_EQ(programmer.ReadObject(8180), DefaultTable()[8180]);
    const std::vector<std::string> exchange{"> 172", "> 172", "< 85",  "> 202",
                                            "< 31",  "> 202", "< 244", "> 7"};
    EXPECT_EQ(programmer.Transcript(), exchange);
    programmer.Close();
    EXPECT_EQ(simulator.Stop(), 0);
    ExpectLogMatches(programmer);
}

TEST_F(SimulatorProcessTest, StoresAWriteReadsItBackAndSavesIt) {
    {
        std::ofstream table(dir_ / "table.txt");
        table << "# two entries\n8180 6\n300 12\n";
    }
    Simulator simulator({"--fast", "--table", dir_ / "table.txt", "--save", dir_ / "saved.txt",
                         "--log", dir_ / "log.txt", "--link", dir_ / "line"});
    std::string path = simulator.Terminal();
    EXPECT_TRUE(fs::is_symlink(dir_ / "line"));
    Programmer programmer((dir_ / "line").string());
    ASSERT_TRUE(programmer.IsOpen());

    EXPECT_EQ(programmer.ReadObject(300), 12);
    ASSERT_TRUE(programmer.WriteObject(8180, 99));
    EXPECT_EQ(programmer.ReadObject(8180), 99);
    programmer.Close();
    EXPECT_EQ(simulator.Stop(), 0);
    ExpectLogMatches(programmer);

    EXPECT_FALSE(fs::exists(fs::symlink_status(dir_ / "line")));
    std::ifstream saved(dir_ / "saved.txt");
    TableLoad load = LoadTable(saved);
    ASSERT_TRUE(load.table) << load.error;
    DeviceTable expected{};
    expected[8180] = 99;
    expected[300] = 12;
    EXPECT_EQ(*load.table, expected);
}

TEST_F(SimulatorProcessTest, HangsUpAfterTheGivenDataBytes) {
    Simulator simulator({"--fast", "--hangup-after", "2"});
    Programmer programmer(simulator.Terminal());
    ASSERT_TRUE(programmer.IsOpen());
    EXPECT_EQ(programmer.ReadObject(0), DefaultTable()[0]);
    EXPECT_EQ(programmer.ReadObject(8176), DefaultTable()[8176]);
    // The device is gone: the line ends instead of polling on.
    std::optional<std::uint8_t> after;
    for (int i = 0; i < 100 && (after = programmer.Receive(1s)); ++i) {
    }
    EXPECT_FALSE(after);
    EXPECT_EQ(simulator.Wait(5s), 0);
}

TEST_F(SimulatorProcessTest, CountsLateAndMissedAnswersAgainstItsWindow) {
    // Windows of 100 ms, wide enough for a loaded test machine to answer in time.
    Simulator simulator({"--pace", "1000", "--answer-window", "100000", "--log", dir_ / "log.txt"});
    Programmer programmer(simulator.Terminal());
    ASSERT_TRUE(programmer.IsOpen());
    EXPECT_EQ(programmer.Receive(), 172);
    EXPECT_EQ(programmer.Receive(), 172);
    // After the window: late, and thrown away rather than taken for the next poll's answer.
    std::this_thread::sleep_for(150ms);
    programmer.Send(0x55);
    EXPECT_EQ(programmer.ReadObject(8180), DefaultTable()[8180]);
    // An exchange left without its address byte: missed.
    EXPECT_EQ(programmer.Receive(), 172);
    EXPECT_EQ(programmer.Receive(), 172);
    programmer.Send(0x55);
    EXPECT_EQ(programmer.Receive(), 202);
    EXPECT_EQ(programmer.Receive(), 172);
    programmer.Close();
    EXPECT_EQ(simulator.Stop(), 0);
    const std::string log = ReadFile(dir_ / "log.txt");
    EXPECT_NE(log.find("< 85 late\n"), std::string::npos) << log;
    EXPECT_NE(log.find("# answers in time 4, missed 1, late 1, dropped 0\n"), std::string::npos)
        << log;
}

struct FirstByteCase {
    const char* links;
    std::vector<int> firstBytes;  // the first byte seen on each successive opening
};

class SimFirstByteProcessTest : public SimulatorProcessTest,
                                public ::testing::WithParamInterface<FirstByteCase> {};

TEST_P(SimFirstByteProcessTest, StartsEachNoticedOpeningWithTheFaultyByte) {
    std::vector<std::string> args{"--fast", "--first-byte", "202"};
    if (*GetParam().links) args.insert(args.end(), {"--first-byte-links", GetParam().links});
    Simulator simulator(args);
    std::string path = simulator.Terminal();
    for (int expected : GetParam().firstBytes) {
        Programmer programmer(path);
        ASSERT_TRUE(programmer.IsOpen());
        EXPECT_EQ(programmer.Receive(), expected);
        programmer.Close();
        // Closed long enough for the device to notice before the next opening.
        std::this_thread::sleep_for(200ms);
    }
    EXPECT_EQ(simulator.Stop(), 0);
}

INSTANTIATE_TEST_SUITE_P(Links, SimFirstByteProcessTest,
                         ::testing::Values(FirstByteCase{"", {202, 202, 202}},
                                           FirstByteCase{"1", {202, 172}}),
                         [](const ::testing::TestParamInfo<FirstByteCase>& info) {
                             return *info.param.links ? "First" + std::string(info.param.links)
                                                      : std::string("EveryLink");
                         });

TEST_F(SimulatorProcessTest, RefusesABadTableFileNamingTheLine) {
    {
        std::ofstream table(dir_ / "bad.txt");
        table << "0 74\n\n8192 1\n";
    }
    Simulator simulator({"--table", dir_ / "bad.txt"}, {{}, {}, Output::File(dir_ / "stderr.txt")});
    EXPECT_EQ(simulator.Wait(5s), 2);
    EXPECT_NE(simulator.Err().find("bad.txt:3:"), std::string::npos);
}

}  // namespace
}  // namespace zelmar::sim
