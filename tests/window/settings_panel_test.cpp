// The settings panel against the image, through the window.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "dialogue/settings_codec.h"
#include "support/window_fixture.h"

namespace zelmar::testing {
namespace {

struct PanelCase {
    int timing, repeatDelay;
    std::string packetTime, sendDelay, repeatDelayText;
};

class DecodePanelTest : public WindowTest, public ::testing::WithParamInterface<PanelCase> {};

TEST_P(DecodePanelTest, FillsTheControls) {
    const PanelCase& c = GetParam();
    table.Set(0, static_cast<std::uint8_t>(c.timing));
    table.Set(8176, static_cast<std::uint8_t>(c.repeatDelay));
    for (int n = 1; n <= 15; ++n) table.Set(8176 + n, static_cast<std::uint8_t>(n * 17));
    window.DecodeSettings();
    EXPECT_EQ(window.Text_Pac_Time.text(), c.packetTime);
    EXPECT_EQ(window.Combo1.text(), c.sendDelay);
    EXPECT_EQ(window.Combo2.text(), c.repeatDelayText);
    for (int n = 1; n <= 15; ++n) EXPECT_EQ(window.Text_R(n).text(), std::to_string(n * 17));
    EXPECT_TRUE(messages.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(Entries, DecodePanelTest,
                         ::testing::Values(PanelCase{0, 0, "0", "0 sec", "0.5 sec"},
                                           PanelCase{255, 7, "31", "1 sec", "NO"},
                                           PanelCase{165, 5, "5", "200 msec", "6 sec"}));

TEST_F(WindowTest, RepeatDelayWithoutAChoiceIsReportedOnceAndTheRestDecoded) {
    window.Combo2.SetListIndex(3);
    table.Set(8176, 8);
    table.Set(8191, 200);
    window.DecodeSettings();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::None);
    EXPECT_EQ(messages.shown[0].caption, "Zelmar prg");
    EXPECT_EQ(window.Combo2.listIndex(), 3);
    EXPECT_EQ(window.Text_R(15).text(), "200");
    EXPECT_EQ(window.Text_R(1).text(), "") << "never read, so nothing to show";
}

class EncodePanelTest : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        Connect();
    }
    void FillPanel() {
        window.Combo1.SetListIndex(4);
        window.Text_Pac_Time.SetText("7");
        window.Combo2.SetListIndex(2);
        for (int n = 1; n <= 15; ++n) window.Text_R(n).SetText(std::to_string(n));
    }
};

TEST_F(EncodePanelTest, ComposesTheSettingsEntries) {
    FillPanel();
    window.Text_R(2).SetText("12");
    window.Command3_Click();
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(state.LinkMode, kModeWrite);
    EXPECT_EQ(table[0], 135);
    EXPECT_EQ(table[8176], 2);
    EXPECT_EQ(table[8178], 12);
    EXPECT_EQ(table[8191], 15);
}

TEST_F(EncodePanelTest, EveryRefusalLeavesTheImageAsItWas) {
    const std::vector<std::pair<std::function<void(frmTerminal&)>, std::string>> spoilers{
        {[](frmTerminal& w) { w.Combo1.SetListIndex(-1); }, "send delay"},
        {[](frmTerminal& w) { w.Text_Pac_Time.SetText("32"); }, "Packet time"},
        {[](frmTerminal& w) { w.Combo2.SetListIndex(-1); }, "repeat delay"},
        {[](frmTerminal& w) { w.Text_R(1).SetText(""); }, "R1 "},
        {[](frmTerminal& w) { w.Text_R(15).SetText("256"); }, "R15 "},
    };
    for (int object : {0, 8176, 8177, 8190, 8191}) table.Set(object, 99);
    const ObjectTable before = table;
    for (const auto& [spoil, field] : spoilers) {
        SCOPED_TRACE(field);
        FillPanel();
        spoil(window);
        messages.shown.clear();
        window.Command3_Click();
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_NE(messages.shown[0].text.find(field), std::string::npos) << messages.shown[0].text;
        EXPECT_EQ(table, before);
        EXPECT_EQ(state.LinkMode, kModeIdle);
    }
}

}  // namespace
}  // namespace zelmar::testing
