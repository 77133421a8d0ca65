#pragma once
// frmTerminal on Qt: the platform's adapters, the form over them, and the view that shows it.
// The program builds its main window and the line's own thread around this (Programmer); on its
// own, as the end-to-end tests drive it, the line runs on the thread that built it.
#include "adapters/port_assignments.h"
#include "adapters/qt_serial_port.h"
#include "form/frm_terminal.h"
#include "ports/file_dialog.h"
#include "ports/file_input.h"
#include "ports/message_box.h"
#include "widgets/form_view.h"
#include "widgets/qt_dialogs.h"

namespace zelmar {

// What the program is given in place of Qt's own dialogs.
struct ProgramOptions {
    // The form's message boxes, when nobody could close one (offscreen) or a test reads them;
    // Qt's when none.
    MessageBox* messageBox = nullptr;
    // The form's open-file dialog, when a test answers it; Qt's when none.
    FileDialog* fileDialog = nullptr;
};

class FormOnQt {
  public:
    explicit FormOnQt(const ProgramOptions& options = {});
    FormOnQt(const FormOnQt&) = delete;
    FormOnQt& operator=(const FormOnQt&) = delete;

    // The form's start-up (Form_Load), once, when whatever is to see it is in place. The view
    // watches from the start, so start-up's changes reach the widgets as they happen.
    void Load();

    PortAssignments ports;
    QtSerialPort port{ports};
    QtMessageBox messages;
    QtScreen screen;
    QtFileDialog fileDialog;
    FileInput files;
    frmTerminal form;
    FormView formView;
};

}  // namespace zelmar
