#pragma once
// The programmer as it runs: the window's logic over the Qt platform, its view, and the frame
// around it. Built before the event loop starts; start-up has run by the time the constructor
// returns.
#include <QElapsedTimer>
#include <QTimer>

#include "platform/file_input.h"
#include "platform/qt/main_window.h"
#include "platform/qt/port_chooser.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/qt/qt_serial_port.h"
#include "platform/qt/terminal_view.h"
#include "window/frm_terminal.h"

namespace zelmar {

class ProgrammerWindow {
  public:
    // Message boxes go to `messageBox` when given (the benchmarks record them, as nobody could
    // close one offscreen), to Qt's otherwise.
    explicit ProgrammerWindow(MessageBox* messageBox = nullptr);
    ProgrammerWindow(const ProgrammerWindow&) = delete;
    ProgrammerWindow& operator=(const ProgrammerWindow&) = delete;

    PortAssignments ports;
    QtSerialPort port{ports};
    QtMessageBox messages;
    QtScreen screen;
    QtFileDialog fileDialog;
    FileInput files;
    frmTerminal window;
    TerminalView view;
    // The menu and status bars around the view; this is the window that is shown.
    ProgrammerFrame frame;

  private:
    // The window's sense of time: a stalled job is noticed within a quarter of a second.
    QElapsedTimer clock_;
    QTimer ticks_;
};

}  // namespace zelmar
