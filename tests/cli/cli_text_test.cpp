// What zelmar-cli reads from --port and draws as progress, as Windows and the other systems
// each want it, whichever system runs the test.
#include <gtest/gtest.h>

#include "cli/output.h"
#include "cli/port_choice.h"

namespace zelmar::cli {
namespace {

TEST(CliTextTest, PortTextNamesAnAssignedComOrADevice) {
    constexpr System kWin = System::Windows, kPosix = System::Posix;
    const struct {
        const char* text;
        System system;
        int com;             // 1 to 4 through the assignments, else 0
        const char* device;  // nullptr: refused
        const char* error;   // a part of the refusal
    } cases[] = {
        {"com3", kWin, 3, "", ""},
        {"COM 4", kPosix, 4, "", ""},
        {"COM7", kWin, 0, "COM7", ""},
        {"com7", kWin, 0, "COM7", ""},
        {" COM 10 ", kWin, 0, "COM10", ""},
        {"\\\\.\\COM12", kWin, 0, "COM12", ""},
        {"COM7", kPosix, 0, nullptr, "only COM 1 to COM 4"},
        {"COM0", kWin, 0, nullptr, "no COM 0"},
        {"COM0", kPosix, 0, nullptr, "only COM 1 to COM 4"},
        {"", kWin, 0, nullptr, "--port needs"},
        {"/dev/ttyUSB0", kPosix, 0, "/dev/ttyUSB0", ""},
        {"C:\\bench\\unit 7\\COM3", kPosix, 0, "C:\\bench\\unit 7\\COM3", ""},
        {"\\\\.\\COM12", kPosix, 0, "\\\\.\\COM12", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text) + (c.system == kWin ? " on Windows" : " on POSIX"));
        QString error;
        const std::optional<PortText> port = ReadPortText(c.text, c.system, error);
        ASSERT_EQ(port.has_value(), c.device != nullptr) << error.toStdString();
        if (!port) {
            EXPECT_TRUE(error.contains(c.error)) << error.toStdString();
            continue;
        }
        EXPECT_EQ(port->com, c.com);
        EXPECT_EQ(port->device, c.device);
    }
}

TEST(CliTextTest, ProgressRedrawLeavesNothingOfTheLineBefore) {
    const struct {
        ProgressStyle style;
        const char* shown;
        const char* line;
        const char* drawn;
    } cases[] = {
        {ProgressStyle::Lines, "", "read 1/10", "read 1/10\n"},
        {ProgressStyle::Ansi, "read 9/10 slow", "read 10/10", "\r\033[Kread 10/10"},
        {ProgressStyle::CarriageReturn, "", "read 1/10", "\rread 1/10"},
        {ProgressStyle::CarriageReturn, "read 9/10, 3 s left", "read 10/10",
         "\rread 10/10         "},
        {ProgressStyle::CarriageReturn, "read 9/10", "read 10/10", "\rread 10/10"},
        // Columns, not bytes: "é" is two bytes and one column.
        {ProgressStyle::CarriageReturn, "déjà", "ab", "\rab  "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.drawn);
        const std::string drawn = ProgressRedraw(c.style, c.shown, c.line);
        EXPECT_EQ(drawn, c.drawn);
    }
}

}  // namespace
}  // namespace zelmar::cli
