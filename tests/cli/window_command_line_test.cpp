// The window program's command line, run as a process. Qt is pointed at a platform that does
// not exist, so any case that wrongly went on to open the window would abort instead.
#include <gtest/gtest.h>
#include <stdlib.h>

#include "support/process.h"
#include "support/temp_folder.h"

namespace zelmar::testing {
namespace {

using namespace std::chrono_literals;

struct CommandLineCase {
    std::vector<std::string> args;
    int status;
    std::string out;  // expected within standard output
    std::string err;  // expected within standard error
};

class WindowCommandLine : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(WindowCommandLine, IsAnsweredOrRefusedWithoutOpeningTheWindow) {
    ::setenv("QT_QPA_PLATFORM", "no-such-platform", 1);
    const CommandLineCase& c = GetParam();
    std::vector<std::string> args{ZELMAR_PROGRAMATOR};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const TempFolder outputs("zelmar-window-args");
    Process program(args, ProcessOptions::Files(outputs / "window"));
    EXPECT_EQ(program.Wait(30s), c.status);
    EXPECT_NE(program.Out().find(c.out), std::string::npos) << program.Out();
    EXPECT_NE(program.Err().find(c.err), std::string::npos) << program.Err();
    if (c.status != 0) {
        EXPECT_EQ(program.Out(), "");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WindowCommandLine,
    ::testing::Values(
        CommandLineCase{{"--version"}, 0, "zelmar-programator " ZELMAR_VERSION "\n", ""},
        CommandLineCase{{"-v"}, 0, "zelmar-programator " ZELMAR_VERSION, ""},
        CommandLineCase{{"--help"}, 0, "-v, --version", ""},
        CommandLineCase{{"-h"}, 0, "QT_QPA_PLATFORM", ""},
        CommandLineCase{{"-reverse"}, 2, "", "Unknown option 'reverse'"},
        CommandLineCase{{"-style", "fusion"}, 2, "", "Unknown option 'style'"},
        CommandLineCase{{"--help-all"}, 2, "", "Unknown option 'help-all'"},
        CommandLineCase{{"settings.zset"}, 2, "", "takes no arguments, got 'settings.zset'"},
        CommandLineCase{{"--"}, 2, "", "Try 'zelmar-programator --help'"}));

}  // namespace
}  // namespace zelmar::testing
