#pragma once
// The programmer's one window: the one place where its controls' names meet the components.
// Every handler is a short delegation: a click goes to the job control or the link, a received
// byte's effects come back from the engine and turn into control states here.
#include <memory>
#include <string>
#include <vector>

#include "controls/control.h"
#include "dialogue/terminal_log.h"
#include "jobs/job_control.h"
#include "link/line.h"
#include "ports/file_dialog.h"
#include "ports/message_box.h"
#include "ports/screen.h"
#include "ports/sequential_input.h"
#include "ports/serial_port.h"

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

class WindowBindings;

// NOLINTNEXTLINE(readability-identifier-naming): the window keeps the name it has always had.
class frmTerminal {
  public:
    explicit frmTerminal(const Platform& platform);
    ~frmTerminal();
    frmTerminal(const frmTerminal&) = delete;
    frmTerminal& operator=(const frmTerminal&) = delete;

    ControlModel controls;

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

  private:
    std::unique_ptr<WindowBindings> bindings_;

  public:
    // The components the controls are bound to: the line (port, engine, image, traffic
    // record), the pane's log and the job starts.
    Line line;
    TerminalLog log;
    JobControl jobs;

    // Window events.
    void Form_Load();
    void Form_Unload(int& cancel);
    void ch_1_0_Click();

    // Port bar: choice of the port and the connection lamp.
    void Option1_Click(int index);
    void imgNotConnected_Click();  // connect
    void imgConnected_Click();     // disconnect
    // The time, in milliseconds of a steady clock, a few times a second: a job that stalls is
    // taken up again, and given up in the end.
    void Tick(std::int64_t nowMs);

    // Beyond the client area: a job built whole (the Jobs dialog's), which meets the client
    // area only as any job does (its starts unavailable while it runs, the current object
    // shown); true when it started. Stopping it leaves the frames alone.
    bool StartJob(Job job);
    void StopJob();
    // How the port is named to the technician: "COM 1".
    std::string PortName() const;
    // The known settings entries of a table shown in the panel; nothing goes to the image or
    // the device.
    void ShowSettingsOf(const ObjectTable& table);
    // The panel's settings as the settings write would encode them, or why it cannot.
    SettingsEncoding EncodePanel() const;

    // One effect of a received byte, carried out as the engine hands it over.
    void ApplyEffect(const Effect& effect);
    void DecodeSettings();
    void DecodeSettings(const ObjectTable& table);

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
    void ShowConnectedState();
    void ShowClosedState();
    void EndPortAttempt();
    // Steps that start-up and every connect take alike.
    void SetObjectBoxesToOne();
    // The start controls are offered only while no job runs.
    void ShowJobState();
    void ResetCh10();

    MessageBox& messageBox_;
    Screen& screen_;
    FileDialog& fileDialog_;
    SequentialInput& fileInput_;
    std::vector<Control*> repeaters_;
};

}  // namespace zelmar
