// The cost of one log entry reaching a full terminal pane (16000 characters): the log's steps
// on the model, and the view's incremental update of the widget. Offscreen. Each entry is
// timed on its own, so that the rare entry that first cuts the pane's front shows in the
// tail figures instead of vanishing in the mean.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "dialogue/terminal_log.h"
#include "platform/qt/terminal_view.h"
#include "window/layout.h"

namespace {

using zelmar::Control;
using zelmar::ControlModel;
using zelmar::TerminalView;

struct Pane {
    Pane() : model(zelmar::TerminalLayout()), view(model, 96) {
        state.CurObject = zelmar::Number::Int16(8176);
        model.Get("txtTerm").SetForeColor(0xFF0000);
        view.show();
        QApplication::processEvents();
    }
    Control& term() { return model.Get("txtTerm"); }
    Control& onlyData() { return model.Get("Check1"); }

    void Log(std::string entry) {
        zelmar::AppendLogEntry(term(), entry, onlyData(), state, [](auto&& step) { step(); });
    }
    void Fill(const std::string& entry) {
        while (term().text().size() < 16000) Log(entry);
        term().SetText(term().text().substr(term().text().size() - 16000));
        QApplication::processEvents();
    }

    ControlModel model;
    zelmar::SharedState state;
    TerminalView view;
};

void Report(benchmark::State& state, std::vector<double>& micros) {
    if (micros.empty()) return;
    std::sort(micros.begin(), micros.end());
    const auto at = [&](double q) {
        return micros[std::min(micros.size() - 1, static_cast<std::size_t>(q * micros.size()))];
    };
    state.counters["p50_us"] = at(0.50);
    state.counters["p99_us"] = at(0.99);
    state.counters["p999_us"] = at(0.999);
    state.counters["max_us"] = micros.back();
}

// `entry` as the dialogue engine hands it to the log; `paint` lets the view repaint after
// every entry, as it does when each byte comes in an event of its own.
void AppendToFullPane(benchmark::State& state, const std::string& entry, bool paint) {
    Pane pane;
    pane.Fill(entry + "\r");
    std::vector<double> micros;
    micros.reserve(1 << 20);
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        pane.Log(entry);
        if (paint) QApplication::processEvents();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
        micros.push_back(took.count() * 1e6);
    }
    benchmark::DoNotOptimize(pane.term().text().size());
    Report(state, micros);
}

// A data line of a read, "35 - 8176" and its line end.
void BM_DataLine(benchmark::State& state) {
    AppendToFullPane(state, "35 - 8176\n\r", false);
}
void BM_DataLineAndRepaint(benchmark::State& state) {
    AppendToFullPane(state, "35 - 8176\n\r", true);
}
// A value outside any exchange: bare digits that run on in one long line.
void BM_BareValue(benchmark::State& state) {
    AppendToFullPane(state, "35", false);
}

BENCHMARK(BM_DataLine)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(20000);
BENCHMARK(BM_DataLineAndRepaint)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(5000);
BENCHMARK(BM_BareValue)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(5000);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
