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

#include "dialogue/link_engine.h"
#include "dialogue/terminal_log.h"
#include "numbers/field_reader.h"
#include "ports/file_dialog.h"
#include "ports/message_box.h"
#include "ports/screen.h"
#include "ports/sequential_input.h"

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
    // The failure comes as the stream library's own exception at the end-of-file test.
    bool failAsStream = false;
    int openCount = 0;

  private:
    bool open_ = false;
    std::string path_;
    std::istringstream text_;
    std::optional<FieldReader> reader_;
    int fieldsRead_ = 0;
};

// A terminal pane as a plain string that also keeps the operations it was given, in order.
class StringPane : public PaneText {
  public:
    // A benchmark's pane keeps the text only.
    explicit StringPane(bool record = true) : record_(record) {}
    std::size_t Length() const override { return text.size(); }
    void Append(std::string_view appended) override {
        text.append(appended);
        if (record_) operations.push_back("append " + std::to_string(appended.size()));
    }
    void CutFront(std::size_t count) override {
        text.erase(0, count);
        if (record_) operations.push_back("cut " + std::to_string(count));
    }
    void Clear() override {
        text.clear();
        if (record_) operations.push_back("clear");
    }
    std::string text;
    std::vector<std::string> operations;

  private:
    bool record_;
};

// A job over `first` up to `end`, counting up; the first object alone when it lies beyond.
inline Job RangeJob(double first, double end, bool write = false) {
    Job job{write ? Direction::Write : Direction::Read,
            {Number::Double(first)},
            JobOrigin::Frame,
            std::nullopt};
    for (double object = first + 1; object <= end; object += 1)
        job.objects.push_back(Number::Double(object));
    return job;
}

// Carries out the engine's effects on plain values: what was sent, the lamp lit last, the log
// in a string pane, and a count or list of everything else.
class EffectRecorder : public EffectSink {
  public:
    void Take(const Effect& effect) override;

    std::string sent;
    int lamp = static_cast<int>(Lamp::Silver);
    StringPane pane;
    TerminalLog log{pane};
    bool onlyData = true;
    std::vector<std::string> failures;
    int jobFailures = 0;
    std::vector<std::string> shownObjects;
    int jobsEnded = 0;
    int settingsShown = 0;
    int restarts = 0;
    int reopened = 0;
    int outOfStep = 0;
    std::vector<std::string> portsLost;
    // Runs for each effect after it was recorded, e.g. to act as a handler would.
    std::function<void(const Effect&)> after;
};

}  // namespace zelmar::testing
