#include "controls/layout.h"

#include <string>

#include "dialogue/settings_codec.h"

namespace zelmar {

namespace {

using K = ControlKind;

ControlDefinition Make(std::string name, K kind, std::string container, std::string text,
                       Twips rect, std::optional<int> tab) {
    ControlDefinition d;
    d.name = std::move(name);
    d.kind = kind;
    d.container = std::move(container);
    d.text = std::move(text);
    d.rect = rect;
    d.tabIndex = tab;
    return d;
}

ControlDefinition Lamp(std::string name, int index, Picture picture, Twips rect) {
    ControlDefinition d = Make(std::move(name), K::Image, "Frame1", "", rect, std::nullopt);
    d.index = index;
    d.picture = picture;
    return d;
}

ControlDefinition Option(std::string name, int index, std::string container, std::string caption,
                         Twips rect, int tab, bool selected = false) {
    ControlDefinition d =
        Make(std::move(name), K::OptionButton, std::move(container), std::move(caption), rect, tab);
    d.index = index;
    d.value = selected ? 1 : 0;
    return d;
}

ControlDefinition ObjectBox(std::string name, std::string container, Twips rect, int tab) {
    ControlDefinition d = Make(name, K::TextBox, std::move(container), name, rect, tab);
    d.maxLength = 4;
    d.toolTip = "1...8175";
    return d;
}

ControlDefinition SizedLabel(std::string name, std::string container, std::string caption,
                             Twips rect) {
    ControlDefinition d =
        Make(std::move(name), K::Label, std::move(container), std::move(caption), rect, {});
    d.autoSize = true;
    return d;
}

ControlDefinition Disabled(ControlDefinition d) {
    d.enabled = false;
    return d;
}

ControlDefinition Checked(ControlDefinition d) {
    d.value = 1;
    return d;
}

ControlDefinition WithTip(ControlDefinition d, std::string tip) {
    d.toolTip = std::move(tip);
    return d;
}

ControlDefinition WithItems(ControlDefinition d, std::vector<std::string> items) {
    d.items = std::move(items);
    return d;
}

std::vector<ControlDefinition> Build() {
    std::vector<ControlDefinition> c;
    c.push_back(
        Make("frmTerminal", K::Form, "", "Zelmar (ver.4.0) programator", {0, 0, 5070, 4185}, {}));

    c.push_back(Make("Frame1", K::Frame, "frmTerminal", "", {0, 0, 4950, 540}, 1));
    c.push_back(Make("Frame5", K::Frame, "frmTerminal", "", {0, 600, 3495, 3495}, 29));
    c.push_back(
        Disabled(Make("Frame2", K::Frame, "frmTerminal", " Read ", {0, 600, 3585, 1695}, 6)));
    c.push_back(
        Disabled(Make("Frame3", K::Frame, "frmTerminal", " Write ", {0, 2415, 3585, 1695}, 14)));
    c.push_back(Make("Label5", K::Label, "frmTerminal", "Label5", {3675, 630, 540, 225}, {}));
    c.push_back(Make("chClear", K::CheckBox, "frmTerminal", "Clear", {4305, 630, 750, 225}, 23));
    ControlDefinition term =
        Make("txtTerm", K::TextBox, "frmTerminal", "", {3675, 945, 1305, 3150}, 0);
    term.multiLine = true;
    c.push_back(term);
    c.push_back(Disabled(
        Checked(Make("Check4", K::CheckBox, "frmTerminal", "", {5160, 120, 255, 195}, 27))));
    c.push_back(Disabled(Make("Command1", K::CommandButton, "frmTerminal", "Objects num.",
                              {5400, 120, 1095, 255}, 28)));
    ControlDefinition list =
        Make("List1", K::ListBox, "frmTerminal", "", {5160, 480, 1335, 3570}, 26);
    list.sorted = true;
    list.enabled = false;
    list.items = {"0",    "8176", "8177", "8178", "8179", "8180", "8181", "8182", "8183",
                  "8184", "8185", "8186", "8187", "8188", "8189", "8190", "8191"};
    c.push_back(list);

    // The port bar.
    c.push_back(WithTip(Lamp("imgConnected", -1, Picture::GreenLamp, {105, 210, 240, 240}),
                        "Toggles Port"));
    ControlDefinition red = WithTip(
        Lamp("imgNotConnected", -1, Picture::RedLamp, {105, 210, 225, 225}), "Toggles Port");
    red.stretch = true;
    c.push_back(red);
    c.push_back(Option("Option1", 1, "Frame1", "COM 1", {525, 210, 855, 225}, 2, true));
    c.push_back(Option("Option1", 2, "Frame1", "COM 2", {1470, 210, 855, 225}, 3));
    c.push_back(Option("Option1", 3, "Frame1", "COM 3", {2415, 210, 855, 225}, 4));
    c.push_back(Option("Option1", 4, "Frame1", "COM 4", {3360, 210, 855, 225}, 5));
    c.push_back(Lamp("Image1", 0, Picture::YellowLamp, {4515, 210, 240, 240}));
    c.push_back(Lamp("Image1", 1, Picture::GreenLamp, {4515, 210, 240, 240}));
    c.push_back(Lamp("Image1", 2, Picture::RedLamp, {4515, 210, 240, 240}));
    c.push_back(Lamp("Image1", 3, Picture::SilverLamp, {4515, 210, 240, 240}));

    // The settings panel.
    c.push_back(SizedLabel("Label6", "Frame5", "Send Delay", {120, 270, 855, 255}));
    c.push_back(WithItems(Make("Combo1", K::ComboBox, "Frame5", "", {1200, 240, 1095, 315}, 34),
                          {kSendDelayChoices.begin(), kSendDelayChoices.end()}));
    c.push_back(SizedLabel("Label7", "Frame5", "Packet Time", {120, 720, 900, 195}));
    c.push_back(WithTip(Make("Text_Pac_Time", K::TextBox, "Frame5", "", {1200, 645, 855, 315}, 33),
                        "0 ... 31"));
    c.push_back(SizedLabel("Label8", "Frame5", "Repeat Delay", {120, 1125, 975, 195}));
    c.push_back(WithItems(Make("Combo2", K::ComboBox, "Frame5", "", {1200, 1095, 855, 315}, 32),
                          {kRepeatDelayChoices.begin(), kRepeatDelayChoices.end()}));
    c.push_back(Make("Command2", K::CommandButton, "Frame5", "Read", {2160, 660, 1215, 315}, 31));
    c.push_back(Make("Command3", K::CommandButton, "Frame5", "Write", {2160, 1080, 1215, 315}, 30));
    c.push_back(Make("Frame4", K::Frame, "Frame5", " Repeaters : ", {120, 1440, 3255, 1890}, 35));

    struct Repeater {
        double left, top;
        int tab;
        const char* label;
        const char* caption;
        double labelLeft, labelTop;
    };
    static const Repeater kRepeaters[15] = {
        {600, 225, 50, "Label9", "R 1 :", 120, 300},
        {600, 525, 49, "Label10", "R 2 :", 120, 600},
        {600, 825, 48, "Label11", "R 3 :", 120, 900},
        {600, 1125, 47, "Label12", "R 4 :", 120, 1155},
        {600, 1425, 46, "Label13", "R 5 :", 120, 1455},
        {1680, 225, 41, "Label18", "R 6 :", 1200, 300},
        {1680, 525, 42, "Label17", "R 7 :", 1200, 600},
        {1680, 825, 43, "Label16", "R 8 :", 1200, 900},
        {1680, 1125, 44, "Label15", "R 9 :", 1200, 1155},
        {1680, 1425, 45, "Label14", "R 10 :", 1080, 1455},
        {2760, 300, 36, "Label23", "R 11 :", 2160, 375},
        {2760, 600, 37, "Label22", "R 12 :", 2160, 675},
        {2760, 900, 38, "Label21", "R 13 :", 2160, 975},
        {2760, 1200, 39, "Label20", "R 14 :", 2160, 1230},
        {2760, 1500, 40, "Label19", "R15 :", 2160, 1530},
    };
    for (int n = 1; n <= 15; ++n) {
        const Repeater& r = kRepeaters[n - 1];
        c.push_back(WithTip(Make("Text_R" + std::to_string(n), K::TextBox, "Frame4", "",
                                 {r.left, r.top, 375, 315}, r.tab),
                            "0 ... 7"));
        // The labels are sized to their captions; the width is what the caption needs.
        c.push_back(SizedLabel(r.label, "Frame4", r.caption, {r.labelLeft, r.labelTop, 0, 195}));
    }

    // The read frame.
    c.push_back(Make("Check2", K::CheckBox, "Frame2", "First Object", {600, 210, 1170, 330}, 7));
    c.push_back(Disabled(
        Checked(Make("Check1", K::CheckBox, "Frame2", "Only Data", {2100, 210, 1275, 330}, 25))));
    c.push_back(Make("Label1", K::Label, "Frame2", "Start Object:", {105, 705, 960, 225}, {}));
    c.push_back(ObjectBox("Text1", "Frame2", {1155, 660, 675, 330}, 11));
    c.push_back(Make("Label2", K::Label, "Frame2", "End Object:", {105, 1200, 960, 225}, {}));
    c.push_back(ObjectBox("Text2", "Frame2", {1155, 1155, 675, 330}, 10));
    c.push_back(Option("Option2", 1, "Frame2", "Read", {2100, 630, 1275, 330}, 9));
    c.push_back(Option("Option2", 2, "Frame2", "Stop", {2100, 1155, 1275, 330}, 8, true));

    // The write frame.
    c.push_back(Make("Check3", K::CheckBox, "Frame3", "First Object", {630, 210, 1170, 330}, 15));
    c.push_back(Make("ch_1_0", K::CheckBox, "Frame3", "ch_1_0", {2310, 210, 1170, 375}, 18));
    c.push_back(Make("Label4", K::Label, "Frame3", "Start Object:", {105, 675, 960, 225}, {}));
    c.push_back(ObjectBox("Text3", "Frame3", {1155, 630, 675, 330}, 16));
    c.push_back(Make("Label3", K::Label, "Frame3", "End Object:", {105, 1170, 960, 225}, {}));
    c.push_back(ObjectBox("Text4", "Frame3", {1155, 1125, 675, 330}, 17));
    c.push_back(Option("Option3", 1, "Frame3", "Write", {2100, 630, 1275, 330}, 22));
    c.push_back(Option("Option3", 2, "Frame3", "Stop", {2100, 1155, 1275, 330}, 21, true));
    return c;
}

}  // namespace

const std::vector<ControlDefinition>& TerminalLayout() {
    static const std::vector<ControlDefinition> layout = Build();
    return layout;
}

}  // namespace zelmar
