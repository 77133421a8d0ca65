#pragma once
// The window over in-memory stand-ins of everything it reaches outside itself: the serial port
// records what is sent, message boxes are recorded instead of shown, the screen has a fixed
// size, the file dialog answers what it is told, and files are read from given texts. No test
// framework, so that the benchmarks build their windows the same way.
#include "form/frm_terminal.h"
#include "support/fakes.h"
#include "support/memory_serial_port.h"

namespace zelmar::testing {

struct StandInWindow {
    StandInWindow() : window(Platform{port, messages, screen, fileDialog, files}) {}

    MemorySerialPort port;
    RecordingMessageBox messages;
    FixedScreen screen;
    ScriptedFileDialog fileDialog;
    TextFiles files;
    frmTerminal window;
};

}  // namespace zelmar::testing
