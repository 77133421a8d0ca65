#pragma once
// A window over in-memory stand-ins of everything it reaches outside itself: the serial port
// records what is sent, message boxes are recorded instead of shown, the file dialog answers
// what the test tells it, and files are read from texts the test provides.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/field_reader.h"
#include "platform/memory_serial_port.h"
#include "window/frm_terminal.h"

namespace zelmar::testing {

class RecordingMessageBox : public MessageBox {
  public:
    void Show(const Message& message) override {
        shown.push_back(message);
        if (whileOpen) whileOpen(message);
    }
    std::vector<Message> shown;
    // Runs while a box is "open", e.g. to let bytes arrive in the meantime.
    std::function<void(const Message&)> whileOpen;
};

class FixedScreen : public Screen {
  public:
    TwipsSize Size() const override { return size; }
    TwipsSize WindowDecoration() const override { return decoration; }
    TwipsSize size{1024 * 15, 768 * 15};
    TwipsSize decoration{120, 450};
};

class ScriptedFileDialog : public FileDialog {
  public:
    std::optional<std::string> ShowOpen(const FileDialogSettings& settings) override {
        lastSettings = settings;
        ++shownCount;
        return answer;
    }
    std::optional<std::string> answer;
    std::optional<FileDialogSettings> lastSettings;
    int shownCount = 0;
};

// Files as texts; a file may be made to fail after a number of fields.
class TextFiles : public SequentialInput {
  public:
    void Open(const std::string& path) override;
    std::string ReadField() override;
    bool AtEnd() const override;
    void Close() override;
    bool IsOpen() const override { return open_; }

    std::map<std::string, std::string> files;
    std::map<std::string, int> failAfterFields;  // path -> fields readable before a failure
    int openCount = 0;

  private:
    bool open_ = false;
    std::string path_;
    std::istringstream text_;
    std::optional<FieldReader> reader_;
    int fieldsRead_ = 0;
};

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
    SharedState& state = window.state;
};

}  // namespace zelmar::testing
