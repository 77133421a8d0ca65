#pragma once
// In-memory stand-ins of what the window reaches outside itself besides the port: message
// boxes are recorded instead of shown, the screen has a fixed size, the file dialog answers
// what it is told, and files are read from given texts. They need no test framework, so that
// the benchmarks use them as well as the tests.
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/field_reader.h"
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

}  // namespace zelmar::testing
