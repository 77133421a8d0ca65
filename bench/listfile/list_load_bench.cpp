// The cost of loading an object list file into the list box: the "Objects num." handler with
// the file in memory, reading, sorting and filling the model; with ZELMAR_BENCH_QT also the
// list widget offscreen. A list job takes at most 32767 entries, so the whole load is timed
// at that length; the 100,000 entries of the goal are timed where they can go, as one bulk
// replacement of the list's items, and as the refusal of a file that names that many.
//
// Beside them, with the Qt side, a bare QListWidget given the same 100,000 texts.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "support/stand_in_window.h"

#ifdef ZELMAR_BENCH_QT
#include <QApplication>
#include <QListWidget>

#include "widgets/form_view.h"
#endif

namespace {

// Numbers spread over the ordinary objects, in no order, one a line.
std::vector<std::string> Numbers(int count) {
    std::vector<std::string> numbers;
    numbers.reserve(count);
    for (int i = 0; i < count; ++i) numbers.push_back(std::to_string(1 + (i * 7919) % 8175));
    return numbers;
}

std::string FileOf(const std::vector<std::string>& numbers) {
    std::string text;
    for (const std::string& number : numbers) text += number + "\r\n";
    return text;
}

struct Window : zelmar::testing::StandInWindow {
    Window() {
        window.Form_Load();
        fileDialog.answer = "list.onf";
    }
    // What the user waits for besides the handler: nothing without a view.
    static void Settle() {}
};

#ifdef ZELMAR_BENCH_QT
struct Shown : Window {
    Shown() : view(window.controls, 96) {
        view.show();
        QApplication::processEvents();
    }
    // The list widget lays its items out and paints them once the handler has returned.
    static void Settle() { QApplication::processEvents(); }
    zelmar::FormView view;
};
#else
using Shown = Window;
#endif

// Loads the file, then the list of 100 entries back, so that every load replaces a short list.
template <class W>
void Load(benchmark::State& state) {
    W w;
    const int count = static_cast<int>(state.range(0));
    w.files.files["list.onf"] = FileOf(Numbers(count));
    w.files.files["short.onf"] = FileOf(Numbers(100));
    for (auto _ : state) {
        w.window.Command1_Click();
        W::Settle();
        state.PauseTiming();
        if (static_cast<int>(w.window.List1.items().size()) != count || !w.messages.shown.empty())
            state.SkipWithError("the list was not loaded whole");
        w.fileDialog.answer = "short.onf";
        w.window.Command1_Click();
        w.fileDialog.answer = "list.onf";
        state.ResumeTiming();
    }
    state.counters["entries"] = count;
}

template <class W>
void SetItems(benchmark::State& state) {
    W w;
    const std::vector<std::string> numbers = Numbers(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        w.window.List1.SetItems(numbers);
        W::Settle();
        state.PauseTiming();
        w.window.List1.SetItems({});
        state.ResumeTiming();
    }
}

template <class W>
void Refuse(benchmark::State& state) {
    W w;
    w.files.files["list.onf"] = FileOf(Numbers(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        w.window.Command1_Click();
        state.PauseTiming();
        if (w.messages.shown.size() != 1) state.SkipWithError("the file was not refused");
        w.messages.shown.clear();
        state.ResumeTiming();
    }
}

void BM_LoadModel(benchmark::State& state) {
    Load<Window>(state);
}
void BM_SetItemsModel(benchmark::State& state) {
    SetItems<Window>(state);
}
void BM_RefuseTooLong(benchmark::State& state) {
    Refuse<Window>(state);
}
BENCHMARK(BM_LoadModel)->Arg(20000)->Arg(32767)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SetItemsModel)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RefuseTooLong)->Arg(100000)->Unit(benchmark::kMillisecond);

#ifdef ZELMAR_BENCH_QT
void BM_LoadShown(benchmark::State& state) {
    Load<Shown>(state);
}
void BM_SetItemsShown(benchmark::State& state) {
    SetItems<Shown>(state);
}
// What any list on Qt's list widget pays for the same texts, without model or loader.
void BM_BareListWidget(benchmark::State& state) {
    QListWidget list;
    list.setUniformItemSizes(true);
    list.show();
    QStringList texts;
    for (const std::string& number : Numbers(static_cast<int>(state.range(0))))
        texts.append(QString::fromStdString(number));
    texts.sort();
    for (auto _ : state) {
        list.clear();
        list.addItems(texts);
        QApplication::processEvents();
        state.PauseTiming();
        list.clear();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_LoadShown)->Arg(20000)->Arg(32767)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SetItemsShown)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareListWidget)->Arg(100000)->Unit(benchmark::kMillisecond);
#endif

}  // namespace

int main(int argc, char** argv) {
#ifdef ZELMAR_BENCH_QT
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
#endif
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
