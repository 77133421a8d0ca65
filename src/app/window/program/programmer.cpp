#include "program/programmer.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>

#include "dialogue/job.h"

namespace zelmar {

namespace {

// One batch of the line's effects per frame of a 60 Hz screen at most.
constexpr int kEffectRestMs = 16;

// The effects the window shows without reading the line: the pane, the lamps and the current
// object, nearly all of a job's. The others read its state or image and hold it.
bool ShownWithoutTheLine(const Effect& effect) {
    return effect.kind == Effect::Kind::Log || effect.kind == Effect::Kind::Light ||
           effect.kind == Effect::Kind::ShowObject;
}

// "objects 8180 to 8191 not written": the objects of `job` after the `done` first. A job cut
// short left the first of them unfinished: a write may have reached the device unverified.
std::string NotDoneText(const Job& job, int done, bool cutShort) {
    std::vector<int> left;
    for (std::size_t i = static_cast<std::size_t>(done); i < job.objects.size(); ++i) {
        const double object = job.objects[i].value();
        if (IsObjectNumber(object)) left.push_back(static_cast<int>(RoundHalfEven(object)));
    }
    std::string text;
    if (cutShort && !left.empty()) {
        text = "object " + std::to_string(left.front()) + " left unfinished";
        left.erase(left.begin());
        if (left.empty()) return text;
        text += ", ";
    }
    if (left.empty()) return text;
    std::string words = ObjectsInWords(left);
    words[0] = 'o';  // "Objects 3 to 5" within the sentence
    return text + words + " not " + (job.write() ? "written" : "read");
}

}  // namespace

Programmer::Programmer(const ProgramOptions& options)
    : FormOnQt(options),
      mainWindow(form, formView, ports),
      effects_(
          mainWindow,
          [this](const Effect& effect) {
              if (ShownWithoutTheLine(effect)) return form.ApplyEffect(effect);
              const LineHold hold;
              form.ApplyEffect(effect);
          },
          kEffectRestMs) {
    messages.SetParent(&mainWindow);
    fileDialog.SetParent(&mainWindow);
    // Start-up moves and names the window it finds: the main window, by now.
    Load();
    HoldLineInHandlers();
    form.line.SetView(&effects_);
    port.RunElsewhereWith([this](const std::function<void()>& task) { line_.Run(task); });
    port.MoveToThread(line_.Thread());
    clock_.start();
    ticks_.setInterval(250);
    ticks_.moveToThread(line_.Thread());
    QObject::connect(&ticks_, &QTimer::timeout, &ticks_, [this] {
        form.line.Tick(clock_.elapsed());
        mainWindow.Publish(mainWindow.ReadStatus());
    });
    line_.Run([this] { ticks_.start(); });
    refresh_.setInterval(250);
    QObject::connect(&refresh_, &QTimer::timeout, &mainWindow,
                     [this] { mainWindow.ShowPublished(); });
    refresh_.start();
}

Programmer::~Programmer() {
    QThread* home = QThread::currentThread();
    line_.Stop([&] {
        ticks_.stop();
        ticks_.moveToThread(home);
        port.MoveToThread(home);
    });
    form.line.SetView(nullptr);
}

void Programmer::HoldLineInHandlers() {
    for (const auto& control : form.controls.all()) {
        for (std::function<void()>* handler :
             {&control->onClick, &control->onChange, &control->onValidate}) {
            if (!*handler) continue;
            *handler = [run = std::move(*handler)] {
                const LineHold hold;
                run();
            };
        }
    }
}

void Programmer::EndOnSignals() {
    stopping_.setInterval(10);
    QObject::connect(&stopping_, &QTimer::timeout, &stopping_, [this] {
        const LineHold hold;
        if (!form.line.Busy()) return EndForSignal({});
        if (stoppingClock_.elapsed() >= kStopWaitMs)
            EndForSignal("the device did not finish object " +
                         NumberText(form.line.state().CurObject.value()) + " within " +
                         std::to_string(kStopWaitMs / 1000) + " s");
    });
    signals_ =
        std::make_unique<SignalWatcher>([this](int signal, int count) { OnSignal(signal, count); });
}

void Programmer::OnSignal(int signal, int count) {
    if (ended_) return;
    const LineHold hold;
    if (count > 1) return EndForSignal("a second signal ended it at once");
    signal_ = signal;
    // Nothing new starts: no click reaches a start, and the job under way stops once its
    // object has finished.
    mainWindow.setEnabled(false);
    jobAtSignal_ = form.line.Busy();
    // The watch runs before the stop: a box the stop raises (the panel refused a value the
    // job left in the image, say) waits in an event loop of its own, where the watch goes on
    // and ends the program all the same.
    stoppingClock_.start();
    stopping_.start();
    if (jobAtSignal_) form.StopJob();
    if (!ended_ && !form.line.Busy()) EndForSignal({});
}

void Programmer::EndForSignal(const std::string& cut) {
    if (ended_) return;
    ended_ = true;
    stopping_.stop();
    const LineHold hold;
    line_.Run([this] { ticks_.stop(); });
    JobReport report = form.line.report();
    std::string job;
    if (!jobAtSignal_) {
        job = "no job was under way";
    } else {
        if (report.outcome == JobReport::Outcome::Running) {
            // Cut short: the report says so in the status bar's words.
            report.outcome = JobReport::Outcome::Failed;
            report.reason = cut;
        }
        job = JobStatusText(report);
        if (report.outcome != JobReport::Outcome::Finished) {
            const std::string left = NotDoneText(form.line.engine().job(), report.done,
                                                 report.outcome == JobReport::Outcome::Failed);
            if (!left.empty()) job += ", " + left;
        }
    }
    std::string port = form.PortName();
    if (form.line.IsOpen()) {
        try {
            form.line.Toggle();
            port += " closed";
        } catch (const StepError& failure) {
            // The process ends all the same and the system releases the port.
            port = failure.what();
            if (!port.empty() && port.back() == '.') port.pop_back();
        }
    } else {
        port += " was not open";
    }
    const std::string line =
        QFileInfo(QCoreApplication::applicationFilePath()).fileName().toStdString() + ": " +
        SignalWatcher::Name(signal_) + ": " + job + "; " + port + ".\n";
    // Standard error may have gone with its terminal (SIGHUP); the exit goes on regardless.
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    // Every event loop ends, a box's included, and the program leaves its exec() with the
    // signal's status.
    QCoreApplication::exit(SignalWatcher::ExitStatus(signal_));
}

}  // namespace zelmar
