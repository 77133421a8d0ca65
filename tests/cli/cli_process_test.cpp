// zelmar-cli as a script meets it: the real executable against the simulator on a
// pseudo-terminal at its fast pace, judged by exit status, standard output and error.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "objectfile/object_file.h"
#include "support/child_process.h"

namespace zelmar::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Settings that differ from the simulator's own table in every entry but R8.
constexpr const char* kSettings =
    "zelmar-objects 1\n0,99\n8176,2\n8177,6\n8178,1\n8179,3\n8180,2\n8181,5\n8182,4\n8183,7\n"
    "8184,0\n8185,1\n8186,2\n8187,3\n8188,4\n8189,5\n8190,6\n8191,7\n";

class CliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "zelmar-cli-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        Write("settings.zset", kSettings);
        Write("bad.zset", "zelmar-objects 1\n0,300\n");
    }
    void TearDown() override {
        simulator_.reset();
        fs::remove_all(dir_);
    }

    // The simulated device at its fast pace, reached through the path Line().
    void StartDevice(std::vector<std::string> flags = {}) {
        std::vector<std::string> args{ZELMAR_SIMULATOR, "--fast",    "--link", Line(),
                                      "--log",          Path("log"), "--save", Path("saved")};
        args.insert(args.end(), flags.begin(), flags.end());
        simulator_.emplace(args, dir_ / "simulator");
        for (int i = 0; i < 500 && !fs::exists(Line()); ++i) std::this_thread::sleep_for(10ms);
        ASSERT_TRUE(fs::exists(Line()));
    }

    struct Result {
        int status;
        std::string out, err;
    };
    ChildProcess Start(std::vector<std::string> args) {
        args.insert(args.begin(), ZELMAR_CLI);
        return ChildProcess(std::move(args), dir_ / ("cli" + std::to_string(++runs_)));
    }
    Result Run(std::vector<std::string> args) {
        ChildProcess cli = Start(std::move(args));
        const int status = cli.Wait(60s);
        return {status, cli.Out(), cli.Err()};
    }

    std::string Line() const { return Path("line"); }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    void Write(const std::string& name, const std::string& text) const {
        std::ofstream(dir_ / name) << text;
    }

    fs::path dir_;
    std::optional<ChildProcess> simulator_;
    int runs_ = 0;
};

struct Scenario {
    const char* name;
    std::vector<std::string> device;  // the simulator's faults
    std::vector<std::string> args;    // "{line}" and "{dir}" are filled in
    int status;
    const char* err;  // a part of standard error
    const char* out;  // a part of standard output
};

class CliScenarioTest : public CliTest, public ::testing::WithParamInterface<Scenario> {};

TEST_P(CliScenarioTest, EndsWithItsStatusAndSaysWhy) {
    const Scenario& s = GetParam();
    StartDevice(s.device);
    std::vector<std::string> args;
    for (std::string arg : s.args) {
        if (arg == "{line}") arg = Line();
        if (arg.starts_with("{dir}")) arg = Path(arg.substr(5));
        args.push_back(arg);
    }
    const Result result = Run(args);
    EXPECT_EQ(result.status, s.status) << result.err;
    EXPECT_NE(result.err.find(s.err), std::string::npos) << result.err;
    EXPECT_NE(result.out.find(s.out), std::string::npos) << result.out;
    if (s.status == 2) {
        simulator_->Signal(SIGTERM);
        simulator_->Wait(10s);
        EXPECT_EQ(ReadWholeFile(Path("log")).find("< "), std::string::npos)
            << "a refused command sent nothing";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CliScenarioTest,
    ::testing::Values(
        Scenario{"ReadsTheSettings", {}, {"read", "--port", "{line}"}, 0, "", "8177,1  # R1\n"},
        Scenario{"GoesOnAfterALineThatBeganOutOfStep",
                 {"--first-byte", "7", "--first-byte-links", "2"},
                 {"read", "--objects", "8176-8178", "-p", "{line}", "--json"},
                 0,
                 "",
                 R"("done":3,"seconds")"},
        Scenario{"ReportsAnObjectThatReadsBackOtherwise",
                 {"--miswrite", "8180"},
                 {"write", "{dir}settings.zset", "-p", "{line}", "--json"},
                 3,
                 "Object 8180 reads back 3 where it was written 2.",
                 R"("mismatches":[{"object":8180,"expected":2,"found":3}])"},
        Scenario{"ReportsADeviceThatVanishesMidWrite",
                 {"--hangup-after", "5"},
                 {"write", "{dir}settings.zset", "-p", "{line}"},
                 1,
                 "stopped at object 8180",
                 ""},
        Scenario{"RefusesABadFileBeforeOpeningThePort",
                 {},
                 {"write", "{dir}bad.zset", "-p", "{line}"},
                 2,
                 "bad.zset",
                 ""},
        Scenario{"RefusesAnOutputItCannotWrite",
                 {},
                 {"read", "-p", "{line}", "-o", "/nonexistent/image.zset"},
                 2,
                 "cannot write into /nonexistent",
                 ""},
        Scenario{"RefusesAComPortWithoutAnAssignment", {}, {"read", "-p", "COM5"}, 2, "COM5", ""},
        Scenario{"RefusesAnObjectTheFileLacks",
                 {},
                 {"verify", "{dir}settings.zset", "--objects", "1-3", "-p", "{line}"},
                 2,
                 "object 1 is not in",
                 ""}),
    [](const ::testing::TestParamInfo<Scenario>& info) { return info.param.name; });

TEST_F(CliTest, WriteVerifyAndSettingsRoundTrip) {
    StartDevice();
    EXPECT_EQ(Run({"verify", Path("settings.zset"), "-p", Line()}).status, 3);
    const Result written = Run({"write", Path("settings.zset"), "-p", Line()});
    ASSERT_EQ(written.status, 0) << written.err;
    EXPECT_EQ(Run({"verify", Path("settings.zset"), "-p", Line()}).status, 0);
    const Result words = Run({"settings", "-p", Line()});
    EXPECT_EQ(words.status, 0) << words.err;
    EXPECT_EQ(words.out, Run({"settings", Path("settings.zset")}).out);
    EXPECT_NE(words.out.find("Send Delay: 50 msec\nPacket Time: 3\nRepeat Delay: 2 sec\n"),
              std::string::npos)
        << words.out;

    const Result image =
        Run({"read", "--objects", "0-300,8176-8191", "-p", Line(), "-q", "-o", Path("image.zset")});
    ASSERT_EQ(image.status, 0) << image.err;
    EXPECT_EQ(image.err, "") << "--quiet";
    const ObjectFileContent read = ParseObjectFile(ReadWholeFile(Path("image.zset")));
    ASSERT_EQ(read.entries.size(), 317u);
    EXPECT_EQ(read.entries[200], (ObjectEntry{200, 200 % 128}));
    EXPECT_EQ(read.entries.back(), (ObjectEntry{8191, 7}));
}

TEST_F(CliTest, ADeviceThatNeverPollsFailsWithinTheTimeout) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const auto started = std::chrono::steady_clock::now();
    const Result result = Run({"read", "-p", ::ptsname(master), "--timeout", "1"});
    ::close(master);
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("sent nothing within 1 s"), std::string::npos) << result.err;
    EXPECT_LT(std::chrono::steady_clock::now() - started, 20s);
}

TEST_F(CliTest, CtrlCStopsAfterTheExchangeAndKeepsWhatWasRead) {
    StartDevice({"--answer-wait", "5"});
    ChildProcess cli = Start({"read", "--objects", "all", "-p", Line(), "-o", Path("all.zset")});
    // Wait for the read to be under way: the device's log shows data going out.
    for (int i = 0; i < 500 && ReadWholeFile(Path("log")).find("< 85") == std::string::npos; ++i)
        std::this_thread::sleep_for(10ms);
    cli.Signal(SIGINT);
    EXPECT_EQ(cli.Wait(30s), 130) << cli.Err();
    EXPECT_NE(cli.Err().find("Stopped on request"), std::string::npos) << cli.Err();
    EXPECT_FALSE(fs::exists(Path("all.zset"))) << "an incomplete read replaces no file";
    const ObjectFileContent partial = ParseObjectFile(ReadWholeFile(Path("all.zset.partial")));
    EXPECT_FALSE(partial.error);
    EXPECT_GT(partial.entries.size(), 0u);
    EXPECT_LT(partial.entries.size(), 8192u);
}

}  // namespace
}  // namespace zelmar::testing
