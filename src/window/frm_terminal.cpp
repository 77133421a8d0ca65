#include "window/frm_terminal.h"

#include "window/layout.h"

namespace zelmar {

namespace {
constexpr std::uint32_t kPureBlue = 0xFF0000;  // in the toolkit's blue-green-red order
}

frmTerminal::frmTerminal(const Platform& platform)
    : controls(TerminalLayout()),
      MSComm1(platform.serialPort),
      CommonDialog1{"Objekts Number File", "LOG", "Log File (*.onf)|*.onf;"},
      Form(controls.Get("frmTerminal")),
      Frame1(controls.Get("Frame1")),
      Frame2(controls.Get("Frame2")),
      Frame3(controls.Get("Frame3")),
      Frame4(controls.Get("Frame4")),
      Frame5(controls.Get("Frame5")),
      Label1(controls.Get("Label1")),
      Label2(controls.Get("Label2")),
      Label3(controls.Get("Label3")),
      Label4(controls.Get("Label4")),
      Label5(controls.Get("Label5")),
      chClear(controls.Get("chClear")),
      txtTerm(controls.Get("txtTerm")),
      Check1(controls.Get("Check1")),
      Check2(controls.Get("Check2")),
      Check3(controls.Get("Check3")),
      Check4(controls.Get("Check4")),
      ch_1_0(controls.Get("ch_1_0")),
      Command1(controls.Get("Command1")),
      Command2(controls.Get("Command2")),
      Command3(controls.Get("Command3")),
      List1(controls.Get("List1")),
      imgConnected(controls.Get("imgConnected")),
      imgNotConnected(controls.Get("imgNotConnected")),
      Combo1(controls.Get("Combo1")),
      Combo2(controls.Get("Combo2")),
      Text_Pac_Time(controls.Get("Text_Pac_Time")),
      Text1(controls.Get("Text1")),
      Text2(controls.Get("Text2")),
      Text3(controls.Get("Text3")),
      Text4(controls.Get("Text4")),
      Option1(controls, "Option1"),
      Option2(controls, "Option2"),
      Option3(controls, "Option3"),
      Image1(controls, "Image1"),
      messageBox_(platform.messageBox),
      screen_(platform.screen),
      fileDialog_(platform.fileDialog),
      fileInput_(platform.fileInput) {
    repeaters_.push_back(nullptr);
    for (int n = 1; n <= 15; ++n) repeaters_.push_back(&controls.Get("Text_R" + std::to_string(n)));
    WireHandlers();
}

Control& frmTerminal::Text_R(int n) const {
    return *repeaters_.at(n);
}

void frmTerminal::WireHandlers() {
    ch_1_0.onClick = [this] { ch_1_0_Click(); };
    for (Control* option : Option1.members())
        option->onClick = [this, index = option->index()] { Option1_Click(index); };
    for (Control* option : Option2.members())
        option->onClick = [this, index = option->index()] { Option2_Click(index); };
    for (Control* option : Option3.members())
        option->onClick = [this, index = option->index()] { Option3_Click(index); };
    imgConnected.onClick = [this] { imgConnected_Click(); };
    imgNotConnected.onClick = [this] { imgNotConnected_Click(); };
    for (Control* box : {&Text1, &Text2, &Text3, &Text4}) {
        box->onChange = [this, box] { ObjectBox_Change(*box); };
        box->onValidate = [this, box] { ObjectBox_Validate(*box); };
    }
    Check2.onClick = [this] { FirstObject_Click(Check2, Text2); };
    Check3.onClick = [this] { FirstObject_Click(Check3, Text4); };
    Command1.onClick = [this] { Command1_Click(); };
    Command2.onClick = [this] { Command2_Click(); };
    Command3.onClick = [this] { Command3_Click(); };
    MSComm1.OnComm = [this] { MSComm1_OnComm(); };
    MSComm1.OnLost = [this](const std::string& description) { MSComm1_OnLost(description); };
}

void frmTerminal::ShowMessage(const std::string& text, MessageIcon icon) const {
    messageBox_.Show({text, icon, kAppTitle});
}

void frmTerminal::SetObjectBoxesToOne() {
    for (Control* box : {&Text1, &Text2, &Text3, &Text4}) Skipping([box] { box->SetText("1"); });
}

void frmTerminal::ResetCh10() {
    Skipping([this] { ch_1_0.SetValue(0); });
    Skipping([this] { ch_1_0.SetCaption(" 0 - Disable"); });
}

void frmTerminal::Form_Load() {
    // Start-up skips a failing step without a word and goes on with the next.
    Skipping([this] {
        txtTerm.SetSelStart(0);
        txtTerm.SetSelLength(txtTerm.text().size());
        txtTerm.SetSelText("");
    });
    Skipping([this] { txtTerm.SetForeColor(kPureBlue); });
    Skipping([this] { imgNotConnected.BringToFront(); });
    Skipping([this] { Image1(3).BringToFront(); });
    Skipping([this] {
        const TwipsSize screen = screen_.Size();
        const TwipsSize decoration = screen_.WindowDecoration();
        const float width = static_cast<float>(Form.rect().width + decoration.width);
        const float height = static_cast<float>(Form.rect().height + decoration.height);
        Form.Move((static_cast<float>(screen.width) - width) / 2.0f,
                  (static_cast<float>(screen.height) - height) / 2.0f);
    });
    Skipping([this] { Option1(MSComm1.CommPort()).SetValue(1); });
    Skipping([this] { Label5.SetCaption("Object"); });
    Skipping([this] { Frame2.SetEnabled(false); });
    Skipping([this] { Frame3.SetEnabled(false); });
    SetObjectBoxesToOne();
    state.CurObject = Number::Int16(1);
    state.EndObject = Number::Int16(1);
    state.WriteJob = false;
    state.LinkMode = 0;
    state.LinkStep = 0;
    state.WriteStep = 0;
    ResetCh10();
}

void frmTerminal::Form_Unload(int& /*cancel: the window always closes*/) {
    if (!MSComm1.PortOpen()) return;
    try {
        MSComm1.SetPortOpen(false);
    } catch (const StepError& failure) {
        // The program ends all the same and the system releases the port; say why it may
        // still look busy to the next program that opens it.
        ShowMessage(failure.what(), MessageIcon::Exclamation);
    }
}

void frmTerminal::ch_1_0_Click() {
    switch (ch_1_0.value()) {
        case 0:
            ch_1_0.SetCaption(" 0 - Disable");
            break;
        case 1:
            ch_1_0.SetCaption(" 1 - Repeat");
            break;
        default:
            break;
    }
}

}  // namespace zelmar
