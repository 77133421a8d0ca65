#pragma once
// The programmer's one window: its controls, the state its handlers share, and the handlers.
// The handlers are spread over the folders of their subsystems; this class ties them together.
#include <string>
#include <vector>

#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "platform/screen.h"
#include "platform/sequential_input.h"
#include "platform/serial_port.h"
#include "window/control.h"
#include "window/shared_state.h"

namespace zelmar {

inline constexpr const char* kAppTitle = "Zelmar prg";

// What the window reaches outside itself.
struct Platform {
    SerialPort& serialPort;
    MessageBox& messageBox;
    Screen& screen;
    FileDialog& fileDialog;
    SequentialInput& fileInput;
};

// NOLINTNEXTLINE(readability-identifier-naming): the window keeps the name it has always had.
class frmTerminal {
  public:
    explicit frmTerminal(const Platform& platform);
    frmTerminal(const frmTerminal&) = delete;
    frmTerminal& operator=(const frmTerminal&) = delete;

    ControlModel controls;
    SharedState state;

    // Non-visual components.
    SerialPort& MSComm1;
    FileDialogSettings CommonDialog1;

    // The window and its controls, by the names every handler uses.
    Control& Form;
    Control &Frame1, &Frame2, &Frame3, &Frame4, &Frame5;
    Control &Label1, &Label2, &Label3, &Label4, &Label5;
    Control &chClear, &txtTerm, &Check1, &Check2, &Check3, &Check4, &ch_1_0;
    Control &Command1, &Command2, &Command3, &List1;
    Control &imgConnected, &imgNotConnected;
    Control &Combo1, &Combo2, &Text_Pac_Time;
    Control &Text1, &Text2, &Text3, &Text4;
    ControlArray Option1, Option2, Option3, Image1;
    // The repeater boxes, Text_R1 .. Text_R15; element 0 is unused.
    Control& Text_R(int n) const;

    // Window events.
    void Form_Load();
    void Form_Unload(int& cancel);
    void ch_1_0_Click();

    // Port bar: choice of the port and the connection lamp.
    void Option1_Click(int index);
    void imgNotConnected_Click();  // connect
    void imgConnected_Click();     // disconnect
    // The port went away while open; the component has closed it already.
    void MSComm1_OnLost(const std::string& description);

    // Port events and the dialogue with the device.
    void MSComm1_OnComm();
    void ProcessReceivedByte(Control& term, std::string& text);
    void DecodeSettings();
    // False when a settings control holds what the device cannot take; `refusal` then names
    // the control and the image is left exactly as it was.
    bool EncodeSettings(std::string& refusal);

    // Object number boxes and the "First Object" check boxes.
    void ObjectBox_Change(Control& box);
    void ObjectBox_Validate(Control& box);
    void FirstObject_Click(Control& check, Control& endBox);

    // Jobs.
    void Command2_Click();  // settings "Read"
    void Option2_Click(int index);
    void Command3_Click();  // settings "Write"
    void Option3_Click(int index);

    // The object list file.
    void Command1_Click();

    // Shows a box with the application's title as caption and waits for the user.
    void ShowMessage(const std::string& text, MessageIcon icon) const;

    // Runs one step of a handler; a failure shows its description (no icon) and the handler
    // goes on with its next step.
    template <class Step>
    void Guarded(Step&& step) {
        try {
            step();
        } catch (const StepError& failure) {
            ShowMessage(failure.what(), MessageIcon::None);
        }
    }

    // Runs one step whose failure is skipped without a word.
    template <class Step>
    static void Skipping(Step&& step) {
        try {
            step();
        } catch (const StepError&) {
        }
    }

  private:
    void WireHandlers();
    // Pieces of the two lamp handlers; the loss of the port shares the last two.
    void TogglePort();
    void ShowClosedState();
    void EndPortAttempt();
    // Steps that start-up and every connect take alike.
    void SetObjectBoxesToOne();
    void ResetCh10();
    void AppendToTerminal(Control& term, std::string& entry);

    // Pieces shared by the job starts and "Stop" of the two frames.
    bool ListStep(Control& startBox, Control& endBox);
    bool ListIsMissing();
    // The first steps of every start: refuses a list job without a list, then the list step,
    // ListPos back to the list's start, and the pane cleared when "Clear" is ticked.
    bool BeginStart(Control& startBox, Control& endBox);
    void StopJob(Control& startBox, Control& endBox);
    void ShowCurObject();

    MessageBox& messageBox_;
    Screen& screen_;
    FileDialog& fileDialog_;
    SequentialInput& fileInput_;
    std::vector<Control*> repeaters_;
};

}  // namespace zelmar
