// The cost of one log entry reaching a full terminal pane (16000 characters): the log's steps
// on the model, and the view's incremental update of the widget. Offscreen. Each entry is
// timed on its own, so that the rare entry that first cuts the pane's front shows in the
// tail figures instead of vanishing in the mean.
//
// Beside them, the same entry into a bare QPlainTextEdit holding the same 16000 characters,
// cut at the front by the same rule: what any pane built on Qt's text widget pays for an
// append, without the control model, the log's steps or the pane's own line handling.
//
// Each entry is timed twice: on the wall clock, which is what the user waits, and on the
// thread's own CPU clock, which leaves out the time the thread spent preempted, so that a
// loaded machine's tail can be told apart from the pane's.
#include <benchmark/benchmark.h>

#include <time.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "support/stand_in_window.h"
#include "widgets/form_view.h"
#include "widgets/terminal_pane.h"

namespace {

using zelmar::Control;
using zelmar::FormView;

struct Pane : zelmar::testing::StandInWindow {
    Pane() : view(window.controls, 96) {
        window.Form_Load();
        view.show();
        QApplication::processEvents();
    }
    Control& term() { return window.txtTerm; }

    // One entry as the log appends it, shown in the document at once: the pane gathers a
    // frame's entries into one edit, and this is the cost of a frame with a single entry.
    void Log(const zelmar::LogEntry& entry) {
        window.log.Write(entry, false);
        static_cast<zelmar::TerminalPane*>(view.WidgetOf(term()))->Flush();
    }
    void Fill(const zelmar::LogEntry& entry) {
        while (term().text().size() < 16000) Log(entry);
        term().CutFront(term().text().size() - 16000);
        static_cast<zelmar::TerminalPane*>(view.WidgetOf(term()))->Flush();
        QApplication::processEvents();
    }

    FormView view;
};

double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double Quantile(std::vector<double>& values, double q) {
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(q * values.size()))];
}

void Report(benchmark::State& state, std::vector<double>& micros, std::vector<double>& cpuMicros) {
    if (micros.empty()) return;
    state.counters["p50_us"] = Quantile(micros, 0.50);
    state.counters["p99_us"] = Quantile(micros, 0.99);
    state.counters["p999_us"] = Quantile(micros, 0.999);
    state.counters["max_us"] = micros.back();
    state.counters["p50_cpu_us"] = Quantile(cpuMicros, 0.50);
    state.counters["p99_cpu_us"] = Quantile(cpuMicros, 0.99);
}

// Times `append` once per iteration on both clocks.
template <class Append>
void TimeEach(benchmark::State& state, Append&& append) {
    std::vector<double> micros;
    std::vector<double> cpuMicros;
    micros.reserve(1 << 20);
    cpuMicros.reserve(1 << 20);
    for (auto _ : state) {
        const double cpuStart = ThreadCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        append();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        const double cpuTook = ThreadCpuSeconds() - cpuStart;
        state.SetIterationTime(took.count());
        micros.push_back(took.count() * 1e6);
        cpuMicros.push_back(cpuTook * 1e6);
    }
    Report(state, micros, cpuMicros);
}

// `entry` as the dialogue engine hands it to the log; `paint` lets the view repaint after
// every entry, as it does when each byte comes in an event of its own.
void AppendToFullPane(benchmark::State& state, const zelmar::LogEntry& entry, bool paint) {
    Pane pane;
    pane.Fill(entry);
    TimeEach(state, [&] {
        pane.Log(entry);
        if (paint) QApplication::processEvents();
    });
    benchmark::DoNotOptimize(pane.term().text().size());
}

// A data line of a read, "35 - 8176" and its line end.
void BM_DataLine(benchmark::State& state) {
    AppendToFullPane(state, {zelmar::LogEntry::Kind::Data, 35, zelmar::Number::Int16(8176)}, false);
}
void BM_DataLineAndRepaint(benchmark::State& state) {
    AppendToFullPane(state, {zelmar::LogEntry::Kind::Data, 35, zelmar::Number::Int16(8176)}, true);
}
// A value outside any exchange: bare digits that run on in one long line.
void BM_BareValue(benchmark::State& state) {
    AppendToFullPane(state, {zelmar::LogEntry::Kind::Value, 35, {}}, false);
}

// The data line into a bare text widget of the same size and the same front cut.
void BM_BarePane(benchmark::State& state) {
    constexpr int kKept = 16000;
    constexpr int kCut = 4096;
    const QString line = QStringLiteral("35 - 8176\n");
    QPlainTextEdit pane;
    pane.setReadOnly(true);
    pane.resize(400, 300);
    pane.show();
    QString full;
    while (full.size() < kKept) full += line;
    pane.setPlainText(full.right(kKept));
    int length = kKept;
    QApplication::processEvents();
    TimeEach(state, [&] {
        QTextCursor cursor(pane.document());
        if (length > kKept) {
            cursor.setPosition(0);
            cursor.setPosition(kCut, QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
            length -= kCut;
        }
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(line);
        length += static_cast<int>(line.size());
    });
    benchmark::DoNotOptimize(pane.document()->characterCount());
}

BENCHMARK(BM_DataLine)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(20000);
BENCHMARK(BM_DataLineAndRepaint)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(5000);
BENCHMARK(BM_BareValue)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(5000);
BENCHMARK(BM_BarePane)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(20000);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
