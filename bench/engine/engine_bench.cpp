// Received values per second through the whole window: the port's events, the dialogue with
// the device and the terminal log. A simulated device on the other end of an in-memory port
// polls, answers the window's commands and keeps its own table, while the technician runs
// settings reads, whole-table reads and whole-table writes with idle spells between them.
//
// Beside it, the same device and the same run of jobs against a bare answerer: a switch over
// the exchange steps that answers each poll, stores each data byte and walks the objects, and
// does nothing else (no value text, no controls, no log). It is the least any program must do
// for this stream, so the ratio of the two says what the window's faithfulness costs.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/memory_serial_port.h"
#include "window/frm_terminal.h"

namespace zelmar {
namespace {

// Counts the boxes instead of waiting for a click; a sound run shows none.
struct SilentBox : MessageBox {
    void Show(const Message&) override { ++shown; }
    int shown = 0;
};
struct FixedScreen : Screen {
    TwipsSize Size() const override { return {1024 * 15, 768 * 15}; }
    TwipsSize WindowDecoration() const override { return {120, 450}; }
};
struct NoFileDialog : FileDialog {
    std::optional<std::string> ShowOpen(const FileDialogSettings&) override { return {}; }
};
struct NoFiles : SequentialInput {
    void Open(const std::string&) override { throw StepError("File not found"); }
    std::string ReadField() override { throw StepError("Bad file name or number"); }
    bool AtEnd() const override { return true; }
    void Close() override {}
    bool IsOpen() const override { return false; }
};

// The window's end of the line: a value goes in through the port, and the answer, if any, is
// what the window wrote meanwhile.
class WindowLine {
  public:
    explicit WindowLine(MemorySerialPort& port) : port_(port) {}
    template <class Take>
    void Send(std::uint8_t value, Take&& take) {
        port_.FeedByte(value);
        const std::string& answer = port_.Sent();
        if (answer.empty()) return;
        take(static_cast<std::uint8_t>(answer.front()));
        port_.TakeSent();
    }

  private:
    MemorySerialPort& port_;
};

// The device's side of the line: it polls, and when the other end answers a poll with a
// command it goes through the exchange the command calls for.
template <class Line>
class Device {
  public:
    explicit Device(Line& line) : line_(line) {
        for (int i = 0; i < kObjectCount; ++i) table_[i] = static_cast<std::uint8_t>(i * 7 + 3);
        table_[8176] = 3;  // a repeat delay the panel can show
    }

    // Sends the next value and takes in the answer, if any.
    void Step() {
        line_.Send(NextValue(), [this](std::uint8_t answer) { Take(answer); });
    }

  private:
    enum class Phase { Polling, ReadHigh, ReadLow, ReadData, WriteHigh, WriteLow, WriteData, Ack };

    std::uint8_t NextValue() {
        switch (phase_) {
            case Phase::Polling:
                return kPolls[pollIndex_++ % kPolls.size()];
            case Phase::ReadData:
                phase_ = Phase::Polling;
                return table_[address_];
            case Phase::Ack:
                phase_ = Phase::Polling;
                return 202;
            default:
                return 202;  // asks for the next address or data byte
        }
    }

    void Take(std::uint8_t byte) {
        switch (phase_) {
            case Phase::Polling:
                if (byte == 0x55) phase_ = Phase::ReadHigh;
                if (byte == 0xAA) phase_ = Phase::WriteHigh;
                break;
            case Phase::ReadHigh:
            case Phase::WriteHigh:
                address_ = byte * 256;
                phase_ = phase_ == Phase::ReadHigh ? Phase::ReadLow : Phase::WriteLow;
                break;
            case Phase::ReadLow:
                address_ = (address_ + byte) % kObjectCount;
                phase_ = Phase::ReadData;
                break;
            case Phase::WriteLow:
                address_ = (address_ + byte) % kObjectCount;
                phase_ = Phase::WriteData;
                break;
            case Phase::WriteData:
                table_[address_] = byte;
                phase_ = Phase::Ack;
                break;
            default:
                break;
        }
    }

    static constexpr std::array<std::uint8_t, 4> kPolls{172, 172, 202, 202};
    Line& line_;
    std::array<std::uint8_t, kObjectCount> table_{};
    Phase phase_ = Phase::Polling;
    std::size_t pollIndex_ = 0;
    int address_ = 0;
};

// What the technician does: one job after the other, each after an idle spell.
class Technician {
  public:
    explicit Technician(frmTerminal& window) : window_(window) {}

    void Act() {
        if (window_.state.LinkMode != 0) return;
        if (idle_ > 0) {
            --idle_;
            return;
        }
        idle_ = 2000;
        switch (next_++ % 3) {
            case 0:  // the settings panel's "Read": walks the object list
                window_.Check4.SetValue(1);
                window_.Command2_Click();
                break;
            case 1:  // the whole table, object by object
                window_.Check4.SetValue(0);
                window_.Text1.SetText("1");
                window_.Text2.SetText("8175");
                window_.Option2(1).SetValue(1);
                break;
            default:
                window_.Check4.SetValue(0);
                window_.Text3.SetText("0");
                window_.Text4.SetText("8191");
                window_.Option3(1).SetValue(1);
                break;
        }
    }

  private:
    frmTerminal& window_;
    int idle_ = 2000;
    int next_ = 0;
};

void BM_ReceivedValues(benchmark::State& state) {
    MemorySerialPort port;
    SilentBox box;
    FixedScreen screen;
    NoFileDialog dialog;
    NoFiles files;
    frmTerminal window(Platform{port, box, screen, dialog, files});
    window.Form_Load();
    window.imgNotConnected_Click();
    window.Check1.SetValue(static_cast<int>(state.range(0)));  // "Only Data"
    WindowLine line(port);
    Device device(line);
    Technician technician(window);

    std::int64_t dataLines = 0;
    for (auto _ : state) {
        technician.Act();
        const bool dataDue = window.state.LinkMode == 1 && window.state.LinkStep == 4;
        device.Step();
        dataLines += dataDue ? 1 : 0;
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["values/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["pane_chars"] = static_cast<double>(window.txtTerm.text().size());
    state.counters["boxes"] = box.shown;
    // The share of values that were data bytes of a job: shows that jobs did run.
    state.counters["data_share"] =
        static_cast<double>(dataLines) / static_cast<double>(state.iterations());
}

BENCHMARK(BM_ReceivedValues)->ArgName("only_data")->Arg(1)->Arg(0)->MinTime(2.0);

// The bare answerer: the exchange steps of a read and a write, the object table and the walk
// over a range or a list, as plain integers. Polls that come where a data byte is due are
// data, as in the window.
class BareAnswerer {
  public:
    enum class Mode { Idle, Read, Write };

    // Answers one value from the device; -1 for no answer.
    int Answer(std::uint8_t value) {
        const bool poll = (value == 172 || value == 202) && step_ != 4;
        if (mode_ == Mode::Read) {
            if (!poll) {
                table_[current_] = value;
                step_ = 0;
                Advance();
                return -1;
            }
            if (value == 172) {
                if (step_ == 0) {
                    step_ = 1;
                    return -1;
                }
                if (step_ != 1) return -1;
                step_ = 2;
                return 0x55;
            }
            if (step_ == 2) {
                step_ = 3;
                return current_ / 256;
            }
            if (step_ == 3) {
                step_ = 4;
                return current_ % 256;
            }
            return -1;
        }
        if (mode_ == Mode::Write && poll) {
            if (value == 172) {
                if (writeStep_ == 0) {
                    writeStep_ = 1;
                    return -1;
                }
                if (writeStep_ != 1) return -1;
                writeStep_ = 2;
                return 0xAA;
            }
            switch (writeStep_) {
                case 2:
                    writeStep_ = 3;
                    return current_ / 256;
                case 3:
                    writeStep_ = 4;
                    return current_ % 256;
                case 4:
                    writeStep_ = 5;
                    return table_[current_];
                case 5:
                    writeStep_ = 0;
                    mode_ = Mode::Read;
                    return -1;
                default:
                    return -1;
            }
        }
        return -1;
    }

    // A job over `first`..`last`, or over the list when one is given.
    void Start(Mode mode, int first, int last, const std::vector<int>* list = nullptr) {
        mode_ = mode;
        writeJob_ = mode == Mode::Write;
        current_ = first;
        last_ = last;
        list_ = list;
        listPos_ = 0;
    }
    Mode mode() const { return mode_; }
    bool DataDue() const { return mode_ == Mode::Read && step_ == 4; }
    std::uint8_t Entry(int object) const { return table_[object]; }

  private:
    void Advance() {
        if (current_ == last_) {
            mode_ = Mode::Idle;
            writeJob_ = false;
            return;
        }
        current_ = list_ != nullptr ? (*list_)[++listPos_] : current_ + 1;
        if (writeJob_) mode_ = Mode::Write;
    }

    std::array<std::uint8_t, kObjectCount> table_{};
    Mode mode_ = Mode::Idle;
    int step_ = 0;
    int writeStep_ = 0;
    int current_ = 0;
    int last_ = 0;
    const std::vector<int>* list_ = nullptr;
    int listPos_ = 0;
    bool writeJob_ = false;
};

class BareLine {
  public:
    explicit BareLine(BareAnswerer& answerer) : answerer_(answerer) {}
    template <class Take>
    void Send(std::uint8_t value, Take&& take) {
        const int answer = answerer_.Answer(value);
        if (answer >= 0) take(static_cast<std::uint8_t>(answer));
    }

  private:
    BareAnswerer& answerer_;
};

// The technician's run of jobs, each after the same idle spell, on the bare answerer.
class BareTechnician {
  public:
    explicit BareTechnician(BareAnswerer& answerer) : answerer_(answerer) {
        settings_.push_back(0);
        for (int object = 8176; object <= 8191; ++object) settings_.push_back(object);
    }

    void Act() {
        if (answerer_.mode() != BareAnswerer::Mode::Idle) return;
        if (idle_ > 0) {
            --idle_;
            return;
        }
        idle_ = 2000;
        switch (next_++ % 3) {
            case 0:
                answerer_.Start(BareAnswerer::Mode::Read, 0, 8191, &settings_);
                break;
            case 1:
                answerer_.Start(BareAnswerer::Mode::Read, 1, 8175);
                break;
            default:
                answerer_.Start(BareAnswerer::Mode::Write, 0, 8191);
                break;
        }
    }

  private:
    BareAnswerer& answerer_;
    std::vector<int> settings_;
    int idle_ = 2000;
    int next_ = 0;
};

void BM_BareAnswerer(benchmark::State& state) {
    BareAnswerer answerer;
    BareLine line(answerer);
    Device device(line);
    BareTechnician technician(answerer);

    std::int64_t dataLines = 0;
    for (auto _ : state) {
        technician.Act();
        const bool dataDue = answerer.DataDue();
        device.Step();
        dataLines += dataDue ? 1 : 0;
    }
    benchmark::DoNotOptimize(answerer.Entry(8176));
    state.SetItemsProcessed(state.iterations());
    state.counters["values/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    // Matches the window's figure when both ran the same stream.
    state.counters["data_share"] =
        static_cast<double>(dataLines) / static_cast<double>(state.iterations());
}

BENCHMARK(BM_BareAnswerer)->MinTime(2.0);

}  // namespace
}  // namespace zelmar

BENCHMARK_MAIN();
