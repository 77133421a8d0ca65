#include "cli/cli_app.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <string>

#include "adapters/port_assignments.h"
#include "adapters/qt_serial_port.h"
#include "adapters/signal_watcher.h"
#include "adapters/text_file.h"
#include "session/object_set.h"
#include "session/plan.h"
#include "session/session.h"
#include "session/session_report.h"

namespace zelmar {
namespace {

// How long the first signal waits for the exchange under way before the job ends without it:
// an exchange takes about 0.1 s at 1200 baud, so only a device that fell silent takes this long.
constexpr int kStopWaitMs = 3000;

// ---- the standard streams ----------------------------------------------------------------------

// Standard output as the program found it: closed at start, it is held by /dev/null and every
// write to it counts as failed.
bool g_stdoutClosed = false;
// Why a write to standard output failed; empty while every one went through. After the first
// failure nothing more is written there.
std::string g_stdoutError;

void PrintOut(const std::string& text) {
    if (!g_stdoutError.empty() || text.empty()) return;
    if (g_stdoutClosed) {
        g_stdoutError = "standard output is closed";
        return;
    }
    errno = 0;
    const bool written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
    if (!written || std::fflush(stdout) != 0 || std::ferror(stdout)) {
        g_stdoutError = std::string("standard output cannot be written (") +
                        std::strerror(errno ? errno : EIO) + ")";
        std::clearerr(stdout);
    }
}

// Standard error may have gone with its terminal (SIGHUP): a failed write there is no reason
// to stop, so it is not checked.
void PrintErr(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
    std::clearerr(stderr);
}

// ---- one run -----------------------------------------------------------------------------------

struct Options {
    QString command;
    QStringList arguments;  // after the command
    QString portText;
    bool portSet = false;
    std::optional<std::string> objects;  // the --objects list as given
    QString output;
    bool outputSet = false;
    QString resume;  // --resume FILE.partial
    int timeoutSeconds = 10;
    bool timeoutSet = false;
    int retries = LinkEngine::kAttempts - 1;
    bool retriesSet = false;
    bool quiet = false;
    bool json = false;
};

// What a run ends with: its status, the JSON that says so, and what goes to standard output
// without --json.
struct Result {
    JobSummary summary;
    std::string out;
    bool refused = false;  // a usage or input error found before the port was opened
};

Result Refused(const Options& options, const QString& message) {
    Result result;
    result.summary.command = options.command.toStdString();
    result.summary.port = options.portText.toStdString();
    result.summary.status = static_cast<int>(Outcome::BadInput);
    result.summary.message = message.toStdString();
    result.refused = true;
    return result;
}

// The port a command line names, as COM n or as a device path.
struct PortChoice {
    int com = 1;
    QString path;
    QString name;  // for messages: "COM 1 (/dev/ttyS0)" or the path
};

std::optional<PortChoice> ChoosePort(const QString& text, PortAssignments& assignments,
                                     QString& error) {
    if (text.trimmed().isEmpty()) {
        error = QStringLiteral("--port needs COM1 to COM4 or the path of a device");
        return std::nullopt;
    }
    static const QRegularExpression kCom(QStringLiteral("^COM ?([0-9]+)$"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch com = kCom.match(text.trimmed());
    if (com.hasMatch()) {
        const int n = com.captured(1).toInt();
        if (n < 1 || n > 4) {
            error = QStringLiteral(
                        "--port %1: only COM 1 to COM 4 stand for a device; name the "
                        "device's path instead")
                        .arg(text);
            return std::nullopt;
        }
        const QString path = assignments.Path(n);
        return PortChoice{n, path, QStringLiteral("COM %1 (%2)").arg(n).arg(path)};
    }
    // A bare name would be taken for one in /dev; a file named here is meant as it stands.
    const QFileInfo file(text);
    const QString path = file.exists() ? file.absoluteFilePath() : text;
    assignments.Fix(1, path);
    return PortChoice{1, path, path};
}

// Progress on stderr: a bar redrawn in place on a terminal, a line every tenth otherwise.
class Progress {
  public:
    explicit Progress(bool quiet) : quiet_(quiet), terminal_(isatty(STDERR_FILENO) == 1) {}

    void Show(const Session& session, std::int64_t elapsedMs) {
        if (quiet_ || session.Total() == 0) return;
        const int done = session.Done();
        const std::string line = ProgressLine(session.task(), done, session.Total(), elapsedMs);
        if (terminal_) {
            constexpr int kWidth = 20;
            const int filled = done * kWidth / session.Total();
            const std::string bar = "[" + std::string(static_cast<std::size_t>(filled), '#') +
                                    std::string(static_cast<std::size_t>(kWidth - filled), ' ') +
                                    "] ";
            if (line != shown_) PrintErr("\r\033[K" + bar + line);
            shown_ = line;
            return;
        }
        const int tenth = done * 10 / session.Total();
        if (tenth == tenth_) return;
        tenth_ = tenth;
        PrintErr(line + "\n");
    }

    void Finish() {
        if (terminal_ && !shown_.empty()) PrintErr("\n");
        shown_.clear();
    }

  private:
    bool quiet_;
    bool terminal_;
    std::string shown_;
    int tenth_ = 0;  // nothing done is no news
};

// Where the signal watcher's news goes: to the session under way, if any.
std::function<void(int signal, int count)> g_onSignal;

struct Run {
    double seconds;
    int signal;  // the signal that asked the job to stop, 0 if none did
};

// Runs the session to its end. The first signal lets the exchange under way finish (at most
// kStopWaitMs), a second ends the job at once; either way the port is closed before this
// returns.
Run RunSession(Session& session, const Options& options) {
    QElapsedTimer clock;
    clock.start();
    Progress progress(options.quiet);
    QEventLoop loop;
    QTimer stopWait;
    stopWait.setSingleShot(true);
    stopWait.setInterval(kStopWaitMs);
    QObject::connect(&stopWait, &QTimer::timeout, [&] {
        session.StopAtOnce("the device did not finish the exchange within " +
                           std::to_string(kStopWaitMs / 1000) + " s");
        loop.quit();
    });
    int stopSignal = 0;
    g_onSignal = [&](int signal, int count) {
        if (session.Finished()) return;
        if (stopSignal == 0) stopSignal = signal;
        if (count == 1) {
            if (!options.quiet) {
                progress.Finish();
                PrintErr("zelmar-cli: " + SignalWatcher::Name(signal) +
                         ": stopping after the exchange under way (a second signal stops at "
                         "once)\n");
            }
            session.Stop();
            stopWait.start();
        } else {
            session.StopAtOnce("a second signal");
        }
        if (session.Finished()) loop.quit();
    };
    // A signal before this point has asked for the end already: the port is not opened.
    if (SignalWatcher::Count() > 0) {
        stopSignal = SignalWatcher::First();
        session.Stop();
    }
    session.Begin(clock.elapsed());
    QTimer tick;
    tick.setInterval(100);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        session.Tick(clock.elapsed());
        progress.Show(session, clock.elapsed());
        if (session.Finished()) loop.quit();
    });
    if (!session.Finished()) {
        tick.start();
        loop.exec();
    }
    g_onSignal = nullptr;
    progress.Show(session, clock.elapsed());
    progress.Finish();
    return {static_cast<double>(clock.elapsed()) / 1000, stopSignal};
}

// The exit status of a session that has ended. A job a signal asked to stop exits with the
// signal's status, also when the device failed while the exchange under way was awaited; one
// that got done in full, or found a mismatch, before the stop took effect says so.
int StatusOf(const Session& session, int stopSignal) {
    const Outcome outcome = session.outcome();
    if (stopSignal > 0 && (outcome == Outcome::Interrupted || outcome == Outcome::LineFailed))
        return SignalWatcher::ExitStatus(stopSignal);
    return static_cast<int>(outcome);
}

// Why `path` cannot take the output, or nothing. Only a regular file is replaced (atomically):
// a device node or a FIFO named by mistake (-o /dev/null as root) is never touched.
QString UnfitOutput(const QString& path) {
    const QFileInfo file(path);
    if (file.isDir()) return QStringLiteral("%1 is a folder").arg(path);
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) == 0 && !S_ISREG(status.st_mode))
        return QStringLiteral(
                   "%1 is not a regular file (a device, a FIFO or a socket); name a "
                   "regular file or a new one")
            .arg(path);
    const QFileInfo folder(file.absolutePath());
    if (!folder.isDir() || !folder.isWritable())
        return QStringLiteral("cannot write into %1")
            .arg(QDir::toNativeSeparators(folder.filePath()));
    return {};
}

// Removes a stale FILE.partial beside a complete FILE; only a regular file.
void RemoveStalePartial(const QString& partial) {
    struct stat status {};
    if (::lstat(QFile::encodeName(partial).constData(), &status) == 0 && S_ISREG(status.st_mode))
        QFile::remove(partial);
}

Result ListPorts(const Options& options) {
    for (const auto& [set, name] : {std::pair{options.portSet, "--port"},
                                    {options.objects.has_value(), "--objects"},
                                    {options.timeoutSet, "--timeout"},
                                    {options.retriesSet, "--retries"}}) {
        if (set) return Refused(options, QStringLiteral("ports takes no %1").arg(name));
    }
    if (!options.arguments.isEmpty())
        return Refused(options, QStringLiteral("ports takes no file"));
    Result result;
    result.summary.command = "ports";
    std::vector<PortListing> listing;
    for (const SerialPortChoice& port : AvailablePorts()) {
        const std::string system = port.systemPath.toStdString();
        const std::string byId = port.path != port.systemPath ? port.path.toStdString() : "";
        const std::string description = port.description.toStdString();
        listing.push_back({system, byId, description});
        result.out += system + "\t" + (byId.empty() ? "-" : byId) + "\t" +
                      (description.empty() ? "-" : description) + "\n";
    }
    result.summary.ports = std::move(listing);
    return result;
}

// Runs a plan on the device. `finish` gets the session once it has ended and the result as it
// stands (status, counts, message) to complete.
template <class Finish>
Result RunPlan(const Options& options, const QString& fileName, Plan plan, Finish finish) {
    if (!plan.error.empty()) return Refused(options, QString::fromStdString(plan.error));
    PortAssignments assignments;
    QString error;
    const std::optional<PortChoice> port = ChoosePort(options.portText, assignments, error);
    if (!port) return Refused(options, error);
    QtSerialPort serial(assignments);
    SessionOptions sessionOptions;
    sessionOptions.port = port->com;
    sessionOptions.portName = port->name.toStdString();
    sessionOptions.silenceMs = std::int64_t{options.timeoutSeconds} * 1000;
    sessionOptions.attempts = options.retries + 1;
    const int carried = static_cast<int>(plan.carried.size());
    Session session(serial, std::move(plan), sessionOptions);
    const Run run = RunSession(session, options);

    Result result;
    JobSummary& summary = result.summary;
    summary.command = options.command.toStdString();
    summary.port = port->path.toStdString();
    summary.status = StatusOf(session, run.signal);
    summary.message = session.Message();
    summary.file = fileName.toStdString();
    if (run.signal > 0 && summary.status == SignalWatcher::ExitStatus(run.signal))
        summary.signal = SignalWatcher::Name(run.signal);
    JobCounts counts;
    counts.objects = session.Total() + carried;
    counts.done = session.Done() + carried;
    counts.resumed = carried;
    counts.seconds = run.seconds;
    counts.mismatches = session.Mismatches();
    summary.job = std::move(counts);
    if (!summary.message.empty()) PrintErr("zelmar-cli: " + summary.message + "\n");
    finish(session, result);
    return result;
}

Result Read(const Options& options) {
    if (!options.arguments.isEmpty())
        return Refused(options, QStringLiteral("read takes no file; name the output with -o FILE"));
    if (options.outputSet && options.output.isEmpty())
        return Refused(options, QStringLiteral("-o needs a file name"));
    // The file a resumed read carries on from, and the output: by default the partial file's
    // own name without ".partial".
    QString output = options.output;
    Plan plan;
    if (!options.resume.isEmpty()) {
        const QString partial = options.resume;
        if (output.isEmpty()) {
            if (!partial.endsWith(QStringLiteral(".partial")))
                return Refused(options, QStringLiteral("--resume %1: name the output with -o FILE "
                                                       "(the name does not end in .partial)")
                                            .arg(partial));
            output = partial.chopped(8);
        }
        struct stat status {};
        if (::stat(QFile::encodeName(partial).constData(), &status) == 0 &&
            !S_ISREG(status.st_mode))
            return Refused(options, QStringLiteral("--resume %1: not a regular file").arg(partial));
        QString error;
        const std::optional<std::string> text = LoadTextFile(partial, &error);
        if (!text) return Refused(options, error);
        plan = ResumePlan(*text, partial.toStdString(), options.objects);
    } else {
        plan = ReadPlan(options.objects);
    }
    if (!output.isEmpty()) {
        for (const QString& path : {output, output + QStringLiteral(".partial")}) {
            const QString error = UnfitOutput(path);
            if (!error.isEmpty()) return Refused(options, error);
        }
    }
    std::vector<int> asked;
    for (const ObjectEntry& entry : plan.carried) asked.push_back(entry.object);
    for (const ObjectEntry& entry : plan.objects) asked.push_back(entry.object);
    std::sort(asked.begin(), asked.end());
    std::vector<ObjectEntry> carried = plan.carried;
    return RunPlan(options, output, std::move(plan), [&](const Session& session, Result& result) {
        JobSummary& summary = result.summary;
        std::vector<ObjectEntry> got = carried;
        got.insert(got.end(), session.Values().begin(), session.Values().end());
        std::sort(got.begin(), got.end(),
                  [](const ObjectEntry& a, const ObjectEntry& b) { return a.object < b.object; });
        const bool complete = session.outcome() == Outcome::Done;
        if (output.isEmpty()) {
            // A script reading standard output gets a whole image or nothing.
            if (options.json) {
                summary.job->values = got;
            } else if (complete) {
                result.out = FormatObjectFile(got);
            }
            return;
        }
        summary.written = false;
        if (!complete && got.empty()) return;
        // An incomplete read never replaces a good file; what it got is kept beside it.
        const QString partial = output + QStringLiteral(".partial");
        const QString target = complete ? output : partial;
        summary.file = target.toStdString();
        const std::string text = complete ? FormatObjectFile(got) : PartialReadFile(asked, got);
        QString error;
        if (!SaveTextFile(target, text, &error)) {
            PrintErr("zelmar-cli: " + error.toStdString() + "\n");
            // The JSON's message holds both sentences standard error got.
            summary.message += (summary.message.empty() ? "" : " ") + error.toStdString();
            // A read stopped by a signal keeps the signal's status; "written" says the rest.
            if (summary.signal.empty()) summary.status = static_cast<int>(Outcome::BadInput);
            return;
        }
        summary.written = true;
        if (complete) {
            RemoveStalePartial(partial);
        } else if (!options.quiet) {
            PrintErr("zelmar-cli: the objects read are in " + target.toStdString() + "\n");
        }
    });
}

Result WriteOrVerify(const Options& options, Task task) {
    if (options.arguments.size() != 1)
        return Refused(options, QStringLiteral("%1 takes one file").arg(options.command));
    const QString fileName = options.arguments.front();
    QString error;
    const std::optional<std::string> text = LoadTextFile(fileName, &error);
    if (!text) return Refused(options, error);
    Plan plan = FilePlan(task, *text, fileName.toStdString(), options.objects);
    return RunPlan(options, fileName, std::move(plan), [](const Session&, Result&) {});
}

Result ShowSettings(const Options& options) {
    if (options.arguments.size() > 1)
        return Refused(options, QStringLiteral("settings takes at most one file"));
    if (options.objects) return Refused(options, QStringLiteral("settings takes no --objects"));
    if (options.arguments.isEmpty()) {
        return RunPlan(options, {}, ReadPlan(std::nullopt),
                       [&](const Session& session, Result& result) {
                           if (session.outcome() != Outcome::Done) return;
                           result.summary.settings = session.Values();
                           result.out = SettingsInWords(session.Values());
                       });
    }
    for (const auto& [set, name] : {std::pair{options.portSet, "--port"},
                                    {options.timeoutSet, "--timeout"},
                                    {options.retriesSet, "--retries"}}) {
        if (set)
            return Refused(
                options, QStringLiteral("settings FILE takes no %1: it shows the file").arg(name));
    }
    const QString fileName = options.arguments.front();
    QString error;
    const std::optional<std::string> text = LoadTextFile(fileName, &error);
    if (!text) return Refused(options, error);
    const Plan plan = SettingsFilePlan(*text, fileName.toStdString());
    if (!plan.error.empty()) return Refused(options, QString::fromStdString(plan.error));
    Result result;
    result.summary.command = "settings";
    result.summary.file = fileName.toStdString();
    result.summary.settings = plan.objects;
    result.out = SettingsInWords(plan.objects);
    return result;
}

Result RunCommand(const Options& options) {
    if (options.outputSet && options.command != QStringLiteral("read"))
        return Refused(options, QStringLiteral("-o is for read"));
    if (!options.resume.isEmpty() && options.command != QStringLiteral("read"))
        return Refused(options, QStringLiteral("--resume is for read"));
    // What goes to standard output cannot go to a closed one: refused before the port opens.
    const bool toStandardOutput = options.json || options.command == QStringLiteral("ports") ||
                                  options.command == QStringLiteral("settings") ||
                                  (options.command == QStringLiteral("read") &&
                                   options.output.isEmpty() && options.resume.isEmpty());
    if (g_stdoutClosed && toStandardOutput)
        return Refused(options,
                       QStringLiteral("standard output is closed; the %1 would be lost")
                           .arg(options.json ? QStringLiteral("JSON") : QStringLiteral("output")));
    if (options.command == QStringLiteral("ports")) return ListPorts(options);
    if (options.command == QStringLiteral("read")) return Read(options);
    if (options.command == QStringLiteral("write")) return WriteOrVerify(options, Task::Write);
    if (options.command == QStringLiteral("verify")) return WriteOrVerify(options, Task::Verify);
    if (options.command == QStringLiteral("settings")) return ShowSettings(options);
    return Refused(options, QStringLiteral("unknown command \"%1\"").arg(options.command));
}

constexpr const char* kDescription =
    "Reads and writes the configuration of Zelmar devices over a serial line, with the same\n"
    "dialogue, checks and files as the Zelmar programmer's window.\n"
    "\n"
    "Commands:\n"
    "  ports              the serial ports present: path, by-id name, description\n"
    "  read [-o FILE]     reads objects (default: the settings) into an object file\n"
    "  read --resume FILE.partial\n"
    "                     carries on with an interrupted read\n"
    "  write FILE         writes the file's objects, each read back and compared\n"
    "  verify FILE        reads the file's objects and compares, writing nothing\n"
    "  settings [FILE]    the settings of a file, or of the device, in words\n"
    "\n"
    "Exit status: 0 done and verified; 1 the device or the line failed; 2 a usage or\n"
    "file error (a refused command line or input file sends nothing), or standard\n"
    "output failed; 3 an object holds another value than written or expected; 128+N\n"
    "stopped by signal N after the exchange under way (130 Ctrl+C, 143 SIGTERM, 129\n"
    "SIGHUP).";

}  // namespace

int RunCli(int argc, char** argv) {
    // Before anything opens a descriptor that could take the number of a closed stream.
    g_stdoutClosed = (OccupyClosedStandardStreams() & (1 << STDOUT_FILENO)) != 0;
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zelmar-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZELMAR_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption port({QStringLiteral("p"), QStringLiteral("port")},
                                  QStringLiteral("COM1 to COM4, as the window maps them, or a "
                                                 "device path (default: COM1)."),
                                  QStringLiteral("PORT"), QStringLiteral("COM1"));
    const QCommandLineOption objects(
        QStringLiteral("objects"),
        QStringLiteral("Objects to move: 0,8176-8191 or 1-8175 or all or settings."),
        QStringLiteral("LIST"));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("read: the file to write (default: standard "
                                                   "output)."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption resume(QStringLiteral("resume"),
                                    QStringLiteral("read: carry on with the interrupted read "
                                                   "that left FILE.partial; the output is FILE "
                                                   "unless -o names another."),
                                    QStringLiteral("FILE.partial"));
    const QCommandLineOption timeout(QStringLiteral("timeout"),
                                     QStringLiteral("Seconds of silence after which the device "
                                                    "counts as absent (default: 10)."),
                                     QStringLiteral("SECONDS"), QStringLiteral("10"));
    const QCommandLineOption retries(QStringLiteral("retries"),
                                     QStringLiteral("Times a stalled exchange is started again "
                                                    "before the job fails (default: 2)."),
                                     QStringLiteral("N"), QStringLiteral("2"));
    const QCommandLineOption quiet({QStringLiteral("q"), QStringLiteral("quiet")},
                                   QStringLiteral("No progress; errors only."));
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("One JSON object on standard output with what "
                                                 "was done."));
    parser.addOptions({port, objects, output, resume, timeout, retries, quiet, json});
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("ports, read, write, verify or settings."));
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("The object file."),
                                 QStringLiteral("[FILE]"));

    if (!parser.parse(QCoreApplication::arguments())) {
        PrintErr("zelmar-cli: " + parser.errorText().toStdString() +
                 "\nTry 'zelmar-cli --help' for the commands and options.\n");
        return static_cast<int>(Outcome::BadInput);
    }
    // The parser's own --help-all (Qt's options too: zelmar-cli has none) is help as well.
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) parser.showHelp(0);
    if (parser.isSet(version)) parser.showVersion();

    // From here on a signal ends the job at an exchange and the run still reports.
    SignalWatcher watcher([](int signal, int count) {
        if (g_onSignal) g_onSignal(signal, count);
    });

    Options options;
    QStringList positional = parser.positionalArguments();
    if (!positional.isEmpty()) options.command = positional.takeFirst();
    options.arguments = positional;
    options.portText = parser.value(port);
    options.portSet = parser.isSet(port);
    options.json = parser.isSet(json);
    options.quiet = parser.isSet(quiet);
    if (parser.isSet(objects)) options.objects = parser.value(objects).toStdString();
    options.output = parser.value(output);
    options.outputSet = parser.isSet(output);
    options.resume = parser.value(resume);
    options.timeoutSet = parser.isSet(timeout);
    options.retriesSet = parser.isSet(retries);
    Result result = [&] {
        if (options.command.isEmpty()) return Refused(options, QStringLiteral("name a command"));
        if (parser.isSet(resume) && options.resume.isEmpty())
            return Refused(options, QStringLiteral("--resume needs the FILE.partial to carry on"));
        bool ok = false;
        options.timeoutSeconds = parser.value(timeout).toInt(&ok);
        if (!ok || options.timeoutSeconds < 1 || options.timeoutSeconds > 3600)
            return Refused(options, QStringLiteral("--timeout needs whole seconds 1..3600"));
        options.retries = parser.value(retries).toInt(&ok);
        if (!ok || options.retries < 0 || options.retries > 100)
            return Refused(options, QStringLiteral("--retries needs a whole number 0..100"));
        return RunCommand(options);
    }();

    JobSummary& summary = result.summary;
    if (result.refused) {
        // A refusal: one sentence and the way to the help.
        PrintErr("zelmar-cli: " + summary.message +
                 "\nTry 'zelmar-cli --help' for the commands and options.\n");
    }
    if (!options.json) PrintOut(result.out);
    // A failed standard output loses what a script asked for: status 2, unless a signal has
    // stopped the job already (a hang-up takes the terminal and its output with it).
    if (!g_stdoutError.empty() && summary.signal.empty()) {
        PrintErr("zelmar-cli: " + g_stdoutError + "\n");
        summary.status = static_cast<int>(Outcome::BadInput);
        summary.message = g_stdoutError;
    }
    // Closed from the start, standard output has had its sentence in the refusal already.
    if (options.json && !g_stdoutClosed) {
        PrintOut(JsonSummary(summary));
        if (!g_stdoutError.empty() && summary.signal.empty()) {
            PrintErr("zelmar-cli: " + g_stdoutError + "\n");
            return static_cast<int>(Outcome::BadInput);
        }
    }
    return summary.status;
}

}  // namespace zelmar
