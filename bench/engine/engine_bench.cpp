// Received values per second through the whole window: the port's events, the dialogue with
// the device and the terminal log. A simulated device on the other end of an in-memory port
// polls, answers the window's commands and keeps its own table, while the technician runs
// settings reads, whole-table reads and whole-table writes with idle spells between them.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>

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

// The device's side of the line: it polls, and when the window answers a poll with a command
// it goes through the exchange the command calls for.
class Device {
  public:
    explicit Device(MemorySerialPort& port) : port_(port) {
        for (int i = 0; i < kObjectCount; ++i) table_[i] = static_cast<std::uint8_t>(i * 7 + 3);
        table_[8176] = 3;  // a repeat delay the panel can show
    }

    // Sends the next value and takes in the window's answer, if any.
    void Step() {
        port_.FeedByte(NextValue());
        const std::string& answer = port_.Sent();
        if (answer.empty()) return;
        Take(static_cast<std::uint8_t>(answer.front()));
        port_.TakeSent();
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
    MemorySerialPort& port_;
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
    Device device(port);
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

}  // namespace
}  // namespace zelmar

BENCHMARK_MAIN();
