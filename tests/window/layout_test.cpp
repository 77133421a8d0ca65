// The window as it is created, control by control, against the layout tables it was drawn from.
#include "controls/layout.h"

#include <gtest/gtest.h>

#include <ostream>
#include <set>

namespace zelmar {
namespace {

using K = ControlKind;
constexpr int kNoTab = -1;

struct Expected {
    const char* name;
    int index;
    K kind;
    const char* container;
    const char* text;
    double left, top;
    int width, height;
    int tab;
    bool enabled;
    int value;
    const char* toolTip;
    int maxLength;
    friend std::ostream& operator<<(std::ostream& o, const Expected& e) {
        return o << e.name << '(' << e.index << ')';
    }
};

// clang-format off
const Expected kControls[] = {
    {"frmTerminal", -1, K::Form, "", "Zelmar (ver.4.0) programator", 0, 0, 5070, 4185, kNoTab, true, 0, "", 0},
    {"Frame1", -1, K::Frame, "frmTerminal", "", 0, 0, 4950, 540, 1, true, 0, "", 0},
    {"Frame5", -1, K::Frame, "frmTerminal", "", 0, 600, 3495, 3495, 29, true, 0, "", 0},
    {"Frame2", -1, K::Frame, "frmTerminal", " Read ", 0, 600, 3585, 1695, 6, false, 0, "", 0},
    {"Frame3", -1, K::Frame, "frmTerminal", " Write ", 0, 2415, 3585, 1695, 14, false, 0, "", 0},
    {"Label5", -1, K::Label, "frmTerminal", "Label5", 3675, 630, 540, 225, kNoTab, true, 0, "", 0},
    {"chClear", -1, K::CheckBox, "frmTerminal", "Clear", 4305, 630, 750, 225, 23, true, 0, "", 0},
    {"txtTerm", -1, K::TextBox, "frmTerminal", "", 3675, 945, 1305, 3150, 0, true, 0, "", 0},
    {"Check4", -1, K::CheckBox, "frmTerminal", "", 5160, 120, 255, 195, 27, false, 1, "", 0},
    {"Command1", -1, K::CommandButton, "frmTerminal", "Objects num.", 5400, 120, 1095, 255, 28, false, 0, "", 0},
    {"List1", -1, K::ListBox, "frmTerminal", "", 5160, 480, 1335, 3570, 26, false, 0, "", 0},
    {"imgConnected", -1, K::Image, "Frame1", "", 105, 210, 240, 240, kNoTab, true, 0, "Toggles Port", 0},
    {"imgNotConnected", -1, K::Image, "Frame1", "", 105, 210, 225, 225, kNoTab, true, 0, "Toggles Port", 0},
    {"Option1", 1, K::OptionButton, "Frame1", "COM 1", 525, 210, 855, 225, 2, true, 1, "", 0},
    {"Option1", 2, K::OptionButton, "Frame1", "COM 2", 1470, 210, 855, 225, 3, true, 0, "", 0},
    {"Option1", 3, K::OptionButton, "Frame1", "COM 3", 2415, 210, 855, 225, 4, true, 0, "", 0},
    {"Option1", 4, K::OptionButton, "Frame1", "COM 4", 3360, 210, 855, 225, 5, true, 0, "", 0},
    {"Image1", 0, K::Image, "Frame1", "", 4515, 210, 240, 240, kNoTab, true, 0, "", 0},
    {"Image1", 1, K::Image, "Frame1", "", 4515, 210, 240, 240, kNoTab, true, 0, "", 0},
    {"Image1", 2, K::Image, "Frame1", "", 4515, 210, 240, 240, kNoTab, true, 0, "", 0},
    {"Image1", 3, K::Image, "Frame1", "", 4515, 210, 240, 240, kNoTab, true, 0, "", 0},
    {"Label6", -1, K::Label, "Frame5", "Send Delay", 120, 270, 855, 255, kNoTab, true, 0, "", 0},
    {"Combo1", -1, K::ComboBox, "Frame5", "", 1200, 240, 1095, 315, 34, true, 0, "", 0},
    {"Label7", -1, K::Label, "Frame5", "Packet Time", 120, 720, 900, 195, kNoTab, true, 0, "", 0},
    {"Text_Pac_Time", -1, K::TextBox, "Frame5", "", 1200, 645, 855, 315, 33, true, 0, "0 ... 31", 0},
    {"Label8", -1, K::Label, "Frame5", "Repeat Delay", 120, 1125, 975, 195, kNoTab, true, 0, "", 0},
    {"Combo2", -1, K::ComboBox, "Frame5", "", 1200, 1095, 855, 315, 32, true, 0, "", 0},
    {"Command2", -1, K::CommandButton, "Frame5", "Read", 2160, 660, 1215, 315, 31, true, 0, "", 0},
    {"Command3", -1, K::CommandButton, "Frame5", "Write", 2160, 1080, 1215, 315, 30, true, 0, "", 0},
    {"Frame4", -1, K::Frame, "Frame5", " Repeaters : ", 120, 1440, 3255, 1890, 35, true, 0, "", 0},
    {"Text_R1", -1, K::TextBox, "Frame4", "", 600, 225, 375, 315, 50, true, 0, "0 ... 7", 0},
    {"Text_R2", -1, K::TextBox, "Frame4", "", 600, 525, 375, 315, 49, true, 0, "0 ... 7", 0},
    {"Text_R3", -1, K::TextBox, "Frame4", "", 600, 825, 375, 315, 48, true, 0, "0 ... 7", 0},
    {"Text_R4", -1, K::TextBox, "Frame4", "", 600, 1125, 375, 315, 47, true, 0, "0 ... 7", 0},
    {"Text_R5", -1, K::TextBox, "Frame4", "", 600, 1425, 375, 315, 46, true, 0, "0 ... 7", 0},
    {"Text_R6", -1, K::TextBox, "Frame4", "", 1680, 225, 375, 315, 41, true, 0, "0 ... 7", 0},
    {"Text_R7", -1, K::TextBox, "Frame4", "", 1680, 525, 375, 315, 42, true, 0, "0 ... 7", 0},
    {"Text_R8", -1, K::TextBox, "Frame4", "", 1680, 825, 375, 315, 43, true, 0, "0 ... 7", 0},
    {"Text_R9", -1, K::TextBox, "Frame4", "", 1680, 1125, 375, 315, 44, true, 0, "0 ... 7", 0},
    {"Text_R10", -1, K::TextBox, "Frame4", "", 1680, 1425, 375, 315, 45, true, 0, "0 ... 7", 0},
    {"Text_R11", -1, K::TextBox, "Frame4", "", 2760, 300, 375, 315, 36, true, 0, "0 ... 7", 0},
    {"Text_R12", -1, K::TextBox, "Frame4", "", 2760, 600, 375, 315, 37, true, 0, "0 ... 7", 0},
    {"Text_R13", -1, K::TextBox, "Frame4", "", 2760, 900, 375, 315, 38, true, 0, "0 ... 7", 0},
    {"Text_R14", -1, K::TextBox, "Frame4", "", 2760, 1200, 375, 315, 39, true, 0, "0 ... 7", 0},
    {"Text_R15", -1, K::TextBox, "Frame4", "", 2760, 1500, 375, 315, 40, true, 0, "0 ... 7", 0},
    {"Check2", -1, K::CheckBox, "Frame2", "First Object", 600, 210, 1170, 330, 7, true, 0, "", 0},
    {"Check1", -1, K::CheckBox, "Frame2", "Only Data", 2100, 210, 1275, 330, 25, false, 1, "", 0},
    {"Label1", -1, K::Label, "Frame2", "Start Object:", 105, 705, 960, 225, kNoTab, true, 0, "", 0},
    {"Text1", -1, K::TextBox, "Frame2", "Text1", 1155, 660, 675, 330, 11, true, 0, "1...8175", 4},
    {"Label2", -1, K::Label, "Frame2", "End Object:", 105, 1200, 960, 225, kNoTab, true, 0, "", 0},
    {"Text2", -1, K::TextBox, "Frame2", "Text2", 1155, 1155, 675, 330, 10, true, 0, "1...8175", 4},
    {"Option2", 1, K::OptionButton, "Frame2", "Read", 2100, 630, 1275, 330, 9, true, 0, "", 0},
    {"Option2", 2, K::OptionButton, "Frame2", "Stop", 2100, 1155, 1275, 330, 8, true, 1, "", 0},
    {"Check3", -1, K::CheckBox, "Frame3", "First Object", 630, 210, 1170, 330, 15, true, 0, "", 0},
    {"ch_1_0", -1, K::CheckBox, "Frame3", "ch_1_0", 2310, 210, 1170, 375, 18, true, 0, "", 0},
    {"Label4", -1, K::Label, "Frame3", "Start Object:", 105, 675, 960, 225, kNoTab, true, 0, "", 0},
    {"Text3", -1, K::TextBox, "Frame3", "Text3", 1155, 630, 675, 330, 16, true, 0, "1...8175", 4},
    {"Label3", -1, K::Label, "Frame3", "End Object:", 105, 1170, 960, 225, kNoTab, true, 0, "", 0},
    {"Text4", -1, K::TextBox, "Frame3", "Text4", 1155, 1125, 675, 330, 17, true, 0, "1...8175", 4},
    {"Option3", 1, K::OptionButton, "Frame3", "Write", 2100, 630, 1275, 330, 22, true, 0, "", 0},
    {"Option3", 2, K::OptionButton, "Frame3", "Stop", 2100, 1155, 1275, 330, 21, true, 1, "", 0},
};
// clang-format on

class LayoutTest : public ::testing::TestWithParam<Expected> {
  protected:
    static ControlModel& Model() {
        static ControlModel model(TerminalLayout());
        return model;
    }
};

TEST_P(LayoutTest, ControlIsCreatedAsDrawn) {
    const Expected& e = GetParam();
    const Control& c = Model().Get(e.name, e.index);
    EXPECT_EQ(c.kind(), e.kind);
    EXPECT_EQ(c.container() ? c.container()->name() : "", e.container);
    EXPECT_EQ(c.caption(), e.text);
    EXPECT_EQ(c.rect(), (Twips{e.left, e.top, e.width, e.height}));
    EXPECT_EQ(c.tabIndex().value_or(kNoTab), e.tab);
    EXPECT_EQ(c.enabled(), e.enabled);
    EXPECT_EQ(c.value(), e.value);
    EXPECT_EQ(c.toolTip(), e.toolTip);
    EXPECT_EQ(c.maxLength(), e.maxLength);
}
INSTANTIATE_TEST_SUITE_P(Window, LayoutTest, ::testing::ValuesIn(kControls));

struct RepeaterLabel {
    const char* name;
    const char* caption;
    double left, top;
};
TEST(LayoutRepeaters, LabelsStandLeftOfTheirBoxes) {
    const RepeaterLabel labels[] = {
        {"Label9", "R 1 :", 120, 300},    {"Label10", "R 2 :", 120, 600},
        {"Label11", "R 3 :", 120, 900},   {"Label12", "R 4 :", 120, 1155},
        {"Label13", "R 5 :", 120, 1455},  {"Label18", "R 6 :", 1200, 300},
        {"Label17", "R 7 :", 1200, 600},  {"Label16", "R 8 :", 1200, 900},
        {"Label15", "R 9 :", 1200, 1155}, {"Label14", "R 10 :", 1080, 1455},
        {"Label23", "R 11 :", 2160, 375}, {"Label22", "R 12 :", 2160, 675},
        {"Label21", "R 13 :", 2160, 975}, {"Label20", "R 14 :", 2160, 1230},
        {"Label19", "R15 :", 2160, 1530},
    };
    ControlModel model(TerminalLayout());
    for (const RepeaterLabel& l : labels) {
        const Control& label = model.Get(l.name);
        EXPECT_EQ(label.caption(), l.caption) << l.name;
        EXPECT_EQ(label.rect().left, l.left) << l.name;
        EXPECT_EQ(label.rect().top, l.top) << l.name;
        EXPECT_EQ(label.container()->name(), "Frame4") << l.name;
        EXPECT_TRUE(label.autoSize()) << l.name;
    }
}

TEST(LayoutLists, InitialItems) {
    ControlModel model(TerminalLayout());
    EXPECT_EQ(model.Get("Combo1").items(),
              (std::vector<std::string>{"0 sec", "10 msec", "20 msec", "50 msec", "100 msec",
                                        "200 msec", "500 msec", "1 sec"}));
    EXPECT_EQ(model.Get("Combo2").items(),
              (std::vector<std::string>{"0.5 sec", "1 sec", "2 sec", "3 sec", "4 sec", "6 sec",
                                        "8 sec", "NO"}));
    std::vector<std::string> objects{"0"};
    for (int n = 8176; n <= 8191; ++n) objects.push_back(std::to_string(n));
    EXPECT_EQ(model.Get("List1").items(), objects);
    EXPECT_TRUE(model.Get("List1").sorted());
    EXPECT_EQ(model.Get("Combo1").listIndex(), -1);
    EXPECT_EQ(model.Get("Combo2").listIndex(), -1);
}

TEST(LayoutStacking, SettingsPanelCoversTheFramesAndLampsStackAsCreated) {
    ControlModel model(TerminalLayout());
    EXPECT_TRUE(model.Get("Frame5").IsInFront());
    EXPECT_FALSE(model.Get("Frame2").IsInFront());
    EXPECT_FALSE(model.Get("Frame3").IsInFront());
    EXPECT_TRUE(model.Get("imgConnected").IsInFront());
    EXPECT_FALSE(model.Get("imgNotConnected").IsInFront());
    EXPECT_TRUE(model.Get("Image1", 0).IsInFront());
    for (int k = 1; k <= 3; ++k) EXPECT_FALSE(model.Get("Image1", k).IsInFront()) << k;
    // Only a 90-twip strip of the read and write frames shows beside the panel.
    const Twips& panel = model.Get("Frame5").rect();
    EXPECT_EQ(model.Get("Frame2").rect().width - (panel.left + panel.width), 90);
}

TEST(LayoutTabOrder, EveryTabIndexIsUsedOnce) {
    std::set<int> seen;
    ControlModel model(TerminalLayout());
    for (const auto& control : model.all())
        if (control->tabIndex()) {
            EXPECT_TRUE(seen.insert(*control->tabIndex()).second) << control->name();
        }
    EXPECT_EQ(seen.size(), 46u);  // labels and images take no focus
    EXPECT_EQ(*seen.begin(), 0);
    EXPECT_EQ(*seen.rbegin(), 50);
}

}  // namespace
}  // namespace zelmar
