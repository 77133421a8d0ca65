#pragma once
// A window over in-memory stand-ins of everything it reaches outside itself: the serial port
// records what is sent, message boxes are recorded instead of shown, the file dialog answers
// what the test tells it, and files are read from texts the test provides.
#include <gtest/gtest.h>

#include <string>

#include "form/frm_terminal.h"
#include "support/fakes.h"
#include "support/memory_serial_port.h"

namespace zelmar::testing {

class WindowTest : public ::testing::Test {
  protected:
    WindowTest() : window(Platform{port, messages, screen, fileDialog, files}) {}

    void SetUp() override { window.Form_Load(); }

    // Opens the port from the red lamp; the device's first value is still to come.
    void Connect() {
        window.imgNotConnected_Click();
        ASSERT_TRUE(port.PortOpen());
    }

    // Feeds received bytes and returns the bytes answered.
    std::string Feed(std::initializer_list<int> bytes) {
        for (int byte : bytes) port.FeedByte(static_cast<unsigned char>(byte));
        return port.TakeSent();
    }

    const std::string& Pane() const { return window.txtTerm.text(); }

    // Index of the status lamp in front, 0..3.
    int StatusLamp() {
        for (int k = 0; k <= 3; ++k)
            if (window.Image1(k).IsInFront()) return k;
        return -1;
    }

    MemorySerialPort port;
    RecordingMessageBox messages;
    FixedScreen screen;
    ScriptedFileDialog fileDialog;
    TextFiles files;
    frmTerminal window;
    // The engine's state and image, as the window's components leave them.
    const LinkState& state = window.line.state();
    ObjectTable& table = window.line.table();
};

}  // namespace zelmar::testing
