// zelmar-cli as a script meets it: the real executable against the simulator on a
// pseudo-terminal at its fast pace, judged by exit status, standard output and error.
#include <sys/stat.h>

#include "cli/cli_fixture.h"
#include "files/object_file.h"

namespace zelmar::testing {
namespace {

// Settings that differ from the simulator's own table in every entry but R8.
constexpr const char* kSettings =
    "zelmar-objects 1\n0,99\n8176,2\n8177,6\n8178,1\n8179,3\n8180,2\n8181,5\n8182,4\n8183,7\n"
    "8184,0\n8185,1\n8186,2\n8187,3\n8188,4\n8189,5\n8190,6\n8191,7\n";

struct Scenario {
    const char* name;
    std::vector<std::string> device;  // the simulator's faults
    std::vector<std::string> args;    // "{line}" and "{dir}" are filled in
    int status;
    const char* err;  // a part of standard error
    const char* out;  // a part of standard output
};

class CliScenarioTest : public CliTest, public ::testing::WithParamInterface<Scenario> {
  protected:
    void SetUp() override {
        CliTest::SetUp();
        Write("settings.zset", kSettings);
        Write("bad.zset", "zelmar-objects 1\n0,300\n");
    }
};

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
        StopDevice();
        EXPECT_EQ(ReadFile(Path("log")).find("< "), std::string::npos)
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
    Write("settings.zset", kSettings);
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
    const ObjectFileContent read = ParseObjectFile(ReadFile(Path("image.zset")));
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
    Process cli = Start({"read", "--objects", "all", "-p", Line(), "-o", Path("all.zset")});
    // Wait for the read to be under way: the device's log shows data going out.
    for (int i = 0; i < 500 && ReadFile(Path("log")).find("< 85") == std::string::npos; ++i)
        std::this_thread::sleep_for(10ms);
    cli.Signal(SIGINT);
    EXPECT_EQ(cli.Wait(30s), 130) << cli.Err();
    EXPECT_NE(cli.Err().find("Stopped on request"), std::string::npos) << cli.Err();
    EXPECT_FALSE(fs::exists(Path("all.zset"))) << "an incomplete read replaces no file";
    const ObjectFileContent partial = ParseObjectFile(ReadFile(Path("all.zset.partial")));
    EXPECT_FALSE(partial.error);
    EXPECT_GT(partial.entries.size(), 0u);
    EXPECT_LT(partial.entries.size(), 8192u);
}

// ---- the contract a script relies on -------------------------------------------------------

// A part of the command line the test fills in: the device line, the test's folder, a FIFO, a
// terminal that never polls, an --objects list of 120 kB.
std::vector<std::string> Filled(const std::vector<std::string>& args, const CliTest& test,
                                const std::string& silent) {
    std::vector<std::string> filled;
    for (std::string arg : args) {
        if (arg == "{line}") arg = test.Line();
        if (arg == "{silent}") arg = silent;
        if (arg.starts_with("{dir}")) arg = test.Path(arg.substr(5));
        if (arg == "{long}") {
            // Every entry names the whole table: the parse may not cost per object named.
            arg.clear();
            while (arg.size() < 120 * 1024) arg += "0-8191,";
            arg += "8192";
        }
        filled.push_back(arg);
    }
    return filled;
}

struct JsonCase {
    const char* name;
    std::vector<std::string> device;  // the simulator's faults
    std::vector<std::string> args;
    int status;
    bool sendsNothing = false;  // a refusal before the port opens
    bool interrupt = false;     // SIGINT once the device's log shows a read under way
};

class JsonContractTest : public CliTest, public ::testing::WithParamInterface<JsonCase> {};

// With --json every run that got past its options prints exactly one JSON object, whose
// "status" is the exit status.
TEST_P(JsonContractTest, PrintsOneObjectWhoseStatusIsTheExitStatus) {
    const JsonCase& c = GetParam();
    Write("settings.zset", kSettings);
    Write("bad.zset", "zelmar-objects 1\n0,300\n");
    StartDevice(c.device);
    const int silent = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(silent, 0);
    ASSERT_EQ(::grantpt(silent), 0);
    ASSERT_EQ(::unlockpt(silent), 0);
    std::vector<std::string> args = Filled(c.args, *this, ::ptsname(silent));
    args.push_back("--json");
    Process cli = Start(args);
    if (c.interrupt) {
        EXPECT_TRUE(WaitForLog("< 85"));
        cli.Signal(SIGINT);
    }
    const int status = cli.Wait(60s);
    ::close(silent);
    EXPECT_EQ(status, c.status) << cli.Err();
    const std::optional<QJsonObject> json = OneJsonObject(cli.Out());
    ASSERT_TRUE(json) << "standard output: " << cli.Out();
    EXPECT_EQ(json->value("status").toInt(-1), status) << cli.Out();
    EXPECT_TRUE(json->contains("command") && json->contains("port") && json->contains("message"));
    EXPECT_EQ(json->value("message").toString().isEmpty(), status == 0) << cli.Out();
    // A file the JSON names as written is there.
    if (json->value("written").toBool()) {
        EXPECT_TRUE(fs::exists(json->value("file").toString().toStdString())) << cli.Out();
    }
    if (c.sendsNothing) {
        StopDevice();
        EXPECT_TRUE(DeviceReceivedNothing());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cli, JsonContractTest,
    ::testing::Values(
        JsonCase{"Done", {}, {"read", "-p", "{line}"}, 0},
        JsonCase{"PortsIsAnObject", {}, {"ports"}, 0},
        JsonCase{"SettingsOfAFile", {}, {"settings", "{dir}settings.zset"}, 0},
        JsonCase{"NoPolls", {}, {"read", "-p", "{silent}", "--timeout", "1"}, 1},
        JsonCase{"DeviceVanishes",
                 {"--hangup-after", "5"},
                 {"write", "{dir}settings.zset", "-p", "{line}"},
                 1},
        JsonCase{"UnknownCommand", {}, {"frobnicate", "-p", "{line}"}, 2, true},
        JsonCase{"NoCommand", {}, {"-p", "{line}"}, 2, true},
        JsonCase{"BadFile", {}, {"write", "{dir}bad.zset", "-p", "{line}"}, 2, true},
        JsonCase{"MissingFile", {}, {"verify", "{dir}none.zset", "-p", "{line}"}, 2, true},
        JsonCase{"BadObjects", {}, {"read", "--objects", "1,,2", "-p", "{line}"}, 2, true},
        JsonCase{"BadTimeout", {}, {"read", "--timeout", "0", "-p", "{line}"}, 2, true},
        JsonCase{"EmptyPort", {}, {"read", "-p", ""}, 2, true},
        JsonCase{"OutputOntoADevice", {}, {"read", "-p", "{line}", "-o", "/dev/null"}, 2, true},
        JsonCase{"OutputForWrite", {}, {"write", "{dir}settings.zset", "-o", "{dir}x"}, 2, true},
        // Refused before the port opens, or (as root, who may write into /proc's folder)
        // read and then not saved: status 2 either way, and never "written".
        JsonCase{"OutputThatCannotBeSaved", {}, {"read", "-p", "{line}", "-o", "/proc/x"}, 2},
        JsonCase{"Unverified",
                 {"--miswrite", "8180"},
                 {"write", "{dir}settings.zset", "-p", "{line}"},
                 3},
        JsonCase{"Interrupted",
                 {"--answer-wait", "5"},
                 {"read", "--objects", "all", "-p", "{line}", "-o", "{dir}all.zset"},
                 130,
                 false,
                 true}),
    [](const ::testing::TestParamInfo<JsonCase>& info) { return info.param.name; });

struct ContractCase {
    const char* name;
    std::vector<std::string> args;
    int status;
    const char* err;  // a part of standard error
    const char* out;  // a part of standard output
    bool closeStdout = false;
    const char* stdoutPath = "";
};

class ContractTest : public CliTest, public ::testing::WithParamInterface<ContractCase> {};

TEST_P(ContractTest, HandlesOrRefusesBeforeTheLineIsTouched) {
    const ContractCase& c = GetParam();
    StartDevice();
    ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
    ProcessOptions options;
    if (c.closeStdout) options.out = Output::Closed();
    if (*c.stdoutPath) options.out = Output::File(c.stdoutPath);
    const Result result = Run(Filled(c.args, *this, ""), options);
    EXPECT_EQ(result.status, c.status) << result.err;
    EXPECT_NE(result.err.find(c.err), std::string::npos) << result.err;
    EXPECT_NE(result.out.find(c.out), std::string::npos) << result.out;
    EXPECT_EQ(fs::status(Path("fifo")).type(), fs::file_type::fifo) << "the FIFO is untouched";
    if (c.status == 2 && std::string_view(c.stdoutPath).empty()) {
        StopDevice();
        EXPECT_TRUE(DeviceReceivedNothing());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cli, ContractTest,
    ::testing::Values(
        ContractCase{"HelpAllIsHelp", {"read", "-p", "{line}", "--help-all"}, 0, "", "Usage:"},
        ContractCase{"OutputOntoDevNull",
                     {"read", "-p", "{line}", "-o", "/dev/null"},
                     2,
                     "/dev/null is not a regular file",
                     ""},
        ContractCase{"OutputOntoAFifo",
                     {"read", "-p", "{line}", "-o", "{dir}fifo"},
                     2,
                     "fifo is not a regular file",
                     ""},
        ContractCase{"EmptyPort", {"read", "-p", ""}, 2, "--port needs", ""},
        ContractCase{"ClosedStandardOutput",
                     {"read", "-p", "{line}"},
                     2,
                     "standard output is closed",
                     "",
                     true},
        ContractCase{"ClosedStandardOutputUnused",
                     {"read", "-p", "{line}", "-o", "{dir}s.zset"},
                     0,
                     "",
                     "",
                     true},
        // Read, and then the image cannot be delivered: a failure, not a silent success.
        ContractCase{"FullStandardOutput",
                     {"read", "-p", "{line}"},
                     2,
                     "standard output cannot be written (No space left on device)",
                     "",
                     false,
                     "/dev/full"},
        ContractCase{"LongObjectList",
                     {"read", "-p", "{line}", "--objects", "{long}"},
                     2,
                     "\"8192\" is not an object",
                     ""}),
    [](const ::testing::TestParamInfo<ContractCase>& info) { return info.param.name; });

TEST_F(CliTest, ACompleteReadRemovesAStalePartial) {
    StartDevice();
    Write("s.zset.partial", "zelmar-objects 1\n0,1\n");
    const Result result = Run({"read", "-p", Line(), "-o", Path("s.zset"), "-q"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(ParseObjectFile(ReadFile(Path("s.zset"))).entries.size(), 17u);
    EXPECT_FALSE(fs::exists(Path("s.zset.partial")));
}

TEST_F(CliTest, AResumedReadReadsOnlyWhatTheInterruptedOneLacked) {
    // Objects 100 to 8175, which the simulator's table holds as object % 128: a few seconds at
    // the fast pace, so the signal comes well before the end.
    constexpr int kFirst = 100, kLast = 8175, kCount = kLast - kFirst + 1;
    StartDevice({"--answer-wait", "5"});
    Process first =
        Start({"read", "--objects", "100-8175", "-p", Line(), "-o", Path("image.zset")});
    ASSERT_TRUE(WaitForLog("< 85"));
    std::this_thread::sleep_for(100ms);
    first.Signal(SIGINT);
    ASSERT_EQ(first.Wait(30s), 130) << first.Err();
    const ObjectFileContent partial = ParseObjectFile(ReadFile(Path("image.zset.partial")));
    ASSERT_FALSE(partial.error);
    ASSERT_GT(partial.entries.size(), 0u);
    ASSERT_LT(partial.entries.size(), static_cast<std::size_t>(kCount));
    EXPECT_NE(ReadFile(Path("image.zset.partial")).find("# objects: 100-8175\n"),
              std::string::npos);
    const std::size_t logBefore = ReadFile(Path("log")).size();

    // The partial says which objects were asked for; the output is its name without .partial.
    const Result resumed =
        Run({"read", "--resume", Path("image.zset.partial"), "-p", Line(), "--json"});
    ASSERT_EQ(resumed.status, 0) << resumed.err;
    const std::optional<QJsonObject> json = OneJsonObject(resumed.out);
    ASSERT_TRUE(json) << resumed.out;
    EXPECT_EQ(json->value("resumed").toInt(), static_cast<int>(partial.entries.size()));
    EXPECT_EQ(json->value("done").toInt(), kCount);
    EXPECT_FALSE(fs::exists(Path("image.zset.partial")));
    const ObjectFileContent image = ParseObjectFile(ReadFile(Path("image.zset")));
    ASSERT_EQ(image.entries.size(), static_cast<std::size_t>(kCount));
    for (const ObjectEntry& entry : image.entries)
        ASSERT_EQ(entry.value, entry.object % 128) << entry.object;

    // Only the objects the partial lacked went over the line.
    const std::vector<int> read = ObjectsReadInLog(ReadFile(Path("log")).substr(logBefore));
    ASSERT_EQ(read.size(), kCount - partial.entries.size());
    EXPECT_EQ(read.front(), partial.entries.back().object + 1);
    EXPECT_EQ(read.back(), kLast);
    EXPECT_EQ(partial.entries.front().object, kFirst);

    // A partial that does not say which objects were asked for needs --objects.
    Write("again.partial", ReadFile(Path("image.zset")));
    EXPECT_EQ(Run({"read", "--resume", Path("again.partial"), "-p", Line()}).status, 2);
}

}  // namespace
}  // namespace zelmar::testing
