#include "form/frm_terminal.h"

#include "controls/layout.h"
#include "form/bindings.h"
#include "jobs/object_box_rules.h"

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
      bindings_(std::make_unique<WindowBindings>(*this)),
      line(MSComm1),
      log(*bindings_),
      jobs(line, *bindings_),
      messageBox_(platform.messageBox),
      screen_(platform.screen),
      fileDialog_(platform.fileDialog),
      fileInput_(platform.fileInput) {
    repeaters_.push_back(nullptr);
    for (int n = 1; n <= 15; ++n) repeaters_.push_back(&controls.Get("Text_R" + std::to_string(n)));
    WireHandlers();
}

frmTerminal::~frmTerminal() = default;

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
    line.SetView(bindings_.get());
    line.RecordTraffic();
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
    Skipping([this] { Option1(line.Port()).SetValue(1); });
    Skipping([this] { Label5.SetCaption("Object"); });
    Skipping([this] { Frame2.SetEnabled(false); });
    Skipping([this] { Frame3.SetEnabled(false); });
    SetObjectBoxesToOne();
    ResetCh10();
}

void frmTerminal::Form_Unload(int& /*cancel: the window always closes*/) {
    if (!line.IsOpen()) return;
    try {
        line.Toggle();
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

// ---- the port bar ----------------------------------------------------------------------------

void frmTerminal::Option1_Click(int index) {
    line.SelectPort(index);
}

void frmTerminal::TogglePort() {
    try {
        line.Toggle();
    } catch (const StepError& failure) {
        ShowMessage(failure.what(), MessageIcon::Exclamation);
    }
}

void frmTerminal::imgNotConnected_Click() {
    TogglePort();
    // What follows depends on the port's state, not on the lamp that was clicked. The line
    // has started its new link at the opening, so the "Stop" options see its objects.
    if (line.IsOpen()) {
        ShowConnectedState();
    } else {
        Skipping([this] { imgNotConnected.BringToFront(); });
    }
    EndPortAttempt();
}

void frmTerminal::ShowConnectedState() {
    Skipping([this] { imgConnected.BringToFront(); });
    Skipping([this] { Frame2.SetEnabled(true); });
    Skipping([this] { Frame3.SetEnabled(true); });
    Skipping([this] { Label5.SetCaption("Object"); });
    SetObjectBoxesToOne();
    Skipping([this] { Option2(2).SetValue(1); });
    Skipping([this] { Option3(2).SetValue(1); });
    ShowJobState();
    ResetCh10();
    for (Control* option : Option1.members()) Skipping([option] { option->SetEnabled(false); });
}

void frmTerminal::imgConnected_Click() {
    TogglePort();
    if (line.IsOpen()) {
        Skipping([this] { imgConnected.BringToFront(); });
    } else {
        ShowClosedState();
    }
    EndPortAttempt();
    if (!line.IsOpen()) line.Interrupt("the port was closed");
}

void frmTerminal::ShowJobState() {
    // While a job runs only "Stop" is offered: a second start would cut its exchange in two.
    const bool idle = !line.Busy();
    for (Control* start : {&Command2, &Command3})
        Skipping([start, idle] { start->SetEnabled(idle); });
    Skipping([this, idle] { Option2(1).SetEnabled(idle); });
    Skipping([this, idle] { Option3(1).SetEnabled(idle); });
}

void frmTerminal::Tick(std::int64_t nowMs) {
    line.Tick(nowMs);
}

bool frmTerminal::StartJob(Job job) {
    const bool started = jobs.StartJob(std::move(job));
    ShowJobState();
    return started;
}

void frmTerminal::StopJob() {
    jobs.StopJob();
    ShowJobState();
}

std::string frmTerminal::PortName() const {
    return "COM " + std::to_string(line.Port());
}

SettingsEncoding frmTerminal::EncodePanel() const {
    return EncodeSettingsEntries(bindings_->PanelSettings());
}

void frmTerminal::ShowSettingsOf(const ObjectTable& table) {
    DecodeSettings(table);
}

void frmTerminal::ShowClosedState() {
    Skipping([this] { imgNotConnected.BringToFront(); });
    Skipping([this] { Frame2.SetEnabled(false); });
    Skipping([this] { Frame3.SetEnabled(false); });
    for (Control* option : Option1.members()) Skipping([option] { option->SetEnabled(true); });
}

void frmTerminal::EndPortAttempt() {
    Skipping([this] { Option1(line.Port()).SetValue(1); });
    Skipping([this] { Image1(3).BringToFront(); });
}

// ---- what a received byte does to the window ---------------------------------------------------

void frmTerminal::ApplyEffect(const Effect& effect) {
    switch (effect.kind) {
        case Effect::Kind::Light:
            Guarded([&] { Image1(static_cast<int>(effect.lamp)).BringToFront(); });
            break;
        case Effect::Kind::Log:
            Guarded([&] { log.Write(effect.entry, Check1.value() != 0); });
            break;
        case Effect::Kind::ShowObject:
            bindings_->ShowObject(effect.object);
            break;
        case Effect::Kind::JobEnded:
            Guarded([&] { Option2(2).SetValue(1); });
            Guarded([&] { Option3(2).SetValue(1); });
            ShowJobState();
            break;
        case Effect::Kind::ShowSettings:
            DecodeSettings();  // reports its own failures and fills every control it can
            break;
        case Effect::Kind::Reopened:
            // The line began out of step and was opened again: as after a connect.
            Guarded([&] { log.Clear(); });
            ShowConnectedState();
            EndPortAttempt();
            break;
        case Effect::Kind::OutOfStep:
            ShowClosedState();
            EndPortAttempt();
            ShowJobState();
            ShowMessage(OutOfStepText(PortName()), MessageIcon::Exclamation);
            break;
        case Effect::Kind::PortLost:
            // The component has closed the port already: show it closed, as after a
            // disconnect, and keep the image for the reconnect. A job under way tells in one
            // box what it left undone, as the line ends it next.
            ShowClosedState();
            EndPortAttempt();
            if (!effect.jobCut) ShowMessage(effect.failure, MessageIcon::Exclamation);
            break;
        case Effect::Kind::Failure:
            ShowMessage(effect.failure, MessageIcon::None);
            break;
        case Effect::Kind::JobFailed:
            ShowMessage(JobOutcomeText(line.report(), PortName()), MessageIcon::Exclamation);
            break;
        case Effect::Kind::Send:
        case Effect::Kind::Restart:
            break;  // the line's own
    }
}

// ---- the object number boxes -------------------------------------------------------------------

void frmTerminal::ObjectBox_Change(Control& box) {
    if (auto corrected = CorrectedObjectText(box.text())) box.SetText(std::move(*corrected));
    box.SetSelStart(box.text().size());
}

void frmTerminal::ObjectBox_Validate(Control& box) {
    if (auto text = LeftObjectText(box.text())) box.SetText(std::move(*text));
}

void frmTerminal::FirstObject_Click(Control& check, Control& endBox) {
    if (check.value() != 0) {
        endBox.SetText("");
        endBox.SetEnabled(false);
    } else {
        endBox.SetText("1");
        endBox.SetEnabled(true);
    }
}

// ---- jobs -------------------------------------------------------------------------------------

void frmTerminal::Command2_Click() {
    jobs.ReadSettings();
    ShowJobState();
}

void frmTerminal::Command3_Click() {
    jobs.WriteSettings();
    ShowJobState();
}

void frmTerminal::Option2_Click(int index) {
    if (index == 1) {
        jobs.StartRange(Frame::Read);
    } else {
        jobs.Stop(Frame::Read);
    }
    ShowJobState();
}

void frmTerminal::Option3_Click(int index) {
    if (index == 1) {
        jobs.StartRange(Frame::Write);
    } else {
        jobs.Stop(Frame::Write);
    }
    ShowJobState();
}

}  // namespace zelmar
