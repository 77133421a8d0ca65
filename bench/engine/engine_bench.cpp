// Received values per second through the link engine and the terminal log alone, and through
// the whole window: the port's events, the engine, and the effects on the controls. The
// simulated device polls, answers the programmer's commands and keeps its own table, while the
// technician runs settings reads, whole-table reads and whole-table writes with idle spells
// between them.
//
// Beside it, the same device and the same run of jobs against a bare answerer: a switch over
// the exchange steps that answers each poll, stores each data byte and walks the objects, and
// does nothing else (no value text, no controls, no log). It is the least any program must do
// for this stream, so the ratio of the two says what the window's faithfulness costs.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "dialogue/link_engine.h"
#include "dialogue/terminal_log.h"
#include "form/frm_terminal.h"
#include "support/device_line.h"
#include "support/fakes.h"
#include "support/memory_serial_port.h"
#include "support/stand_in_window.h"

namespace zelmar {
namespace {

// The device's table: every entry different from its neighbours, and a repeat delay the panel
// can show. A data byte of 172 is left out: the window reads such an object a second time,
// which the bare answerer does not, and the two must walk the same exchanges.
sim::DeviceTable SeededTable() {
    sim::DeviceTable table{};
    for (int i = 0; i < sim::kObjectCount; ++i) {
        const auto entry = static_cast<std::uint8_t>(i * 7 + 3);
        table[i] = entry == 172 ? 171 : entry;
    }
    table[8176] = 3;
    return table;
}

// Shared by both benchmarks' figures: the rate, and the share of values that were data bytes of
// a job, which shows that jobs did run and that both ran the same stream.
void Report(benchmark::State& state, const sim::Device& device, std::int64_t dataLines) {
    state.SetItemsProcessed(state.iterations());
    state.counters["values/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["data_share"] =
        static_cast<double>(dataLines) / static_cast<double>(state.iterations());
    // Answers the device did not expect: a sound run has none.
    state.counters["irregular"] = static_cast<double>(device.Irregularities());
}

// What the technician does: one job after the other, each after an idle spell.
class Technician {
  public:
    explicit Technician(frmTerminal& window) : window_(window) {}

    void Act() {
        if (window_.line.state().LinkMode != kModeIdle) return;
        if (idle_ > 0) {
            --idle_;
            return;
        }
        idle_ = 2000;
        switch (next_++ % 3) {
            case 0:  // the settings panel's "Read": walks the object list
                window_.Command2_Click();
                break;
            case 1:  // the whole table, object by object, as Jobs > Read objects starts it
                window_.StartJob(
                    {Direction::Read, ObjectsFromTo(1, 8175), JobOrigin::ObjectsDialog});
                break;
            default:
                window_.StartJob(
                    {Direction::Write, ObjectsFromTo(0, 8191), JobOrigin::ObjectsDialog});
                break;
        }
    }

  private:
    frmTerminal& window_;
    int idle_ = 2000;
    int next_ = 0;
};

void BM_ReceivedValues(benchmark::State& state) {
    testing::StandInWindow standIn;
    MemorySerialPort& port = standIn.port;
    frmTerminal& window = standIn.window;
    window.Form_Load();
    window.imgNotConnected_Click();
    window.Check1.SetValue(static_cast<int>(state.range(0)));  // "Only Data"
    testing::DeviceLine line([&port](std::uint8_t received) { return port.Answer(received); },
                             SeededTable());
    line.keep_line = false;
    Technician technician(window);

    std::int64_t dataLines = 0;
    for (auto _ : state) {
        technician.Act();
        const bool dataDue = window.line.state().LinkMode == kModeRead &&
                             window.line.state().LinkStep == kReadStepDataDue;
        line.Step();
        dataLines += dataDue ? 1 : 0;
    }
    Report(state, line.device(), dataLines);
    state.counters["pane_chars"] = static_cast<double>(window.txtTerm.text().size());
    // A sound run shows none.
    state.counters["boxes"] = static_cast<double>(standIn.messages.shown.size());
}

BENCHMARK(BM_ReceivedValues)->ArgName("only_data")->Arg(1)->Arg(0)->MinTime(2.0);

// The engine's own effects, carried out as cheaply as a headless programmer would: answers
// collected for the device, the log written to a string pane, everything else counted.
class EngineSink : public EffectSink {
  public:
    explicit EngineSink(bool onlyData) : onlyData_(onlyData) {}
    void Take(const Effect& effect) override {
        switch (effect.kind) {
            case Effect::Kind::Send:
                answer.push_back(static_cast<char>(effect.byte));
                break;
            case Effect::Kind::Log:
                log.Write(effect.entry, onlyData_);
                break;
            case Effect::Kind::Failure:
                ++failures;
                break;
            default:
                break;
        }
    }
    std::string answer;
    testing::StringPane pane{false};
    TerminalLog log{pane};
    long failures = 0;

  private:
    bool onlyData_;
};

void BM_EngineValues(benchmark::State& state) {
    Job settings{Direction::Read, ObjectsFromTo(8176, 8191), JobOrigin::SettingsPanel};
    settings.objects.insert(settings.objects.begin(), Number::Double(0));
    const Job table{Direction::Read, ObjectsFromTo(1, 8175), JobOrigin::ObjectsDialog};
    const Job write{Direction::Write, ObjectsFromTo(0, 8191), JobOrigin::ObjectsDialog};
    LinkEngine engine;
    EngineSink sink(state.range(0) != 0);
    engine.Connected();
    testing::DeviceLine line(
        [&](std::uint8_t received) {
            sink.answer.clear();
            engine.Receive(received, sink);
            return sink.answer;
        },
        SeededTable());
    line.keep_line = false;
    int idle = 2000;
    int next = 0;

    std::int64_t dataLines = 0;
    for (auto _ : state) {
        // The technician's jobs as the window would start them: the settings read, the
        // whole-table read and write.
        if (engine.state().LinkMode == kModeIdle && --idle <= 0) {
            idle = 2000;
            switch (next++ % 3) {
                case 0:
                    engine.Start(settings);
                    break;
                case 1:
                    engine.Start(table);
                    break;
                default:
                    engine.Start(write);
                    break;
            }
        }
        const bool dataDue =
            engine.state().LinkMode == kModeRead && engine.state().LinkStep == kReadStepDataDue;
        line.Step();
        dataLines += dataDue ? 1 : 0;
    }
    Report(state, line.device(), dataLines);
    state.counters["pane_chars"] = static_cast<double>(sink.pane.text.size());
    state.counters["boxes"] = static_cast<double>(sink.failures);
}

BENCHMARK(BM_EngineValues)->ArgName("only_data")->Arg(1)->Arg(0)->MinTime(2.0);

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
    testing::DeviceLine line(
        [&answerer](std::uint8_t received) {
            const int answer = answerer.Answer(received);
            return answer < 0 ? std::string() : std::string(1, static_cast<char>(answer));
        },
        SeededTable());
    line.keep_line = false;
    BareTechnician technician(answerer);

    std::int64_t dataLines = 0;
    for (auto _ : state) {
        technician.Act();
        const bool dataDue = answerer.DataDue();
        line.Step();
        dataLines += dataDue ? 1 : 0;
    }
    benchmark::DoNotOptimize(answerer.Entry(8176));
    Report(state, line.device(), dataLines);
}

BENCHMARK(BM_BareAnswerer)->MinTime(2.0);

}  // namespace
}  // namespace zelmar

BENCHMARK_MAIN();
