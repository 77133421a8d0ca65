#include "platform/qt/cli_app.h"

#include <unistd.h>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <optional>
#include <string>

#include "platform/qt/port_assignments.h"
#include "platform/qt/qt_serial_port.h"
#include "platform/qt/text_file.h"
#include "session/plan.h"
#include "session/session.h"
#include "session/session_report.h"

namespace zelmar {
namespace {

// Ctrl+C: the first lets the exchange under way finish, a second closes at once.
volatile std::sig_atomic_t interrupts = 0;

void OnInterrupt(int) {
    if (interrupts == 0) {
        interrupts = 1;
        return;
    }
    static const char kClosed[] = "\nzelmar-cli: closed at once\n";
    (void)!write(STDERR_FILENO, kClosed, sizeof kClosed - 1);
    _exit(static_cast<int>(Outcome::Interrupted));
}

void CatchInterrupts() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

void Print(std::FILE* stream, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

int Refuse(const QString& message) {
    Print(stderr, "zelmar-cli: " + message.toStdString() +
                      "\nTry 'zelmar-cli --help' for the commands and options.\n");
    return static_cast<int>(Outcome::BadInput);
}

struct Options {
    QString command;
    QStringList arguments;  // after the command
    QString portText;
    std::optional<std::string> objects;  // the --objects list as given
    QString output;
    int timeoutSeconds = 10;
    int retries = LinkEngine::kAttempts - 1;
    bool quiet = false;
    bool json = false;
};

// The port a command line names, as COM n or as a device path.
struct PortChoice {
    int com = 1;
    QString path;
    QString name;  // for messages: "COM 1 (/dev/ttyS0)" or the path
};

std::optional<PortChoice> ChoosePort(const QString& text, PortAssignments& assignments,
                                     QString& error) {
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
            if (line != shown_) Print(stderr, "\r\033[K" + bar + line);
            shown_ = line;
            return;
        }
        const int tenth = done * 10 / session.Total();
        if (tenth == tenth_) return;
        tenth_ = tenth;
        Print(stderr, line + "\n");
    }

    void Finish() {
        if (terminal_ && !shown_.empty()) Print(stderr, "\n");
        shown_.clear();
    }

  private:
    bool quiet_;
    bool terminal_;
    std::string shown_;
    int tenth_ = 0;  // nothing done is no news
};

struct Run {
    Outcome outcome;
    double seconds;
};

Run RunSession(Session& session, const Options& options) {
    QElapsedTimer clock;
    clock.start();
    Progress progress(options.quiet);
    CatchInterrupts();
    session.Begin(clock.elapsed());
    bool stopping = false;
    QEventLoop loop;
    QTimer tick;
    tick.setInterval(100);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (interrupts > 0 && !stopping) {
            stopping = true;
            if (!options.quiet) {
                progress.Finish();
                Print(stderr,
                      "zelmar-cli: stopping after the exchange under way (Ctrl+C "
                      "again closes at once)\n");
            }
            session.Stop();
        }
        session.Tick(clock.elapsed());
        progress.Show(session, clock.elapsed());
        if (session.Finished()) loop.quit();
    });
    if (!session.Finished()) {
        tick.start();
        loop.exec();
    }
    progress.Show(session, clock.elapsed());
    progress.Finish();
    if (!session.Message().empty()) Print(stderr, "zelmar-cli: " + session.Message() + "\n");
    return {session.outcome(), static_cast<double>(clock.elapsed()) / 1000};
}

QString WritableOutput(const QString& path) {
    const QFileInfo file(path);
    if (file.isDir()) return QStringLiteral("%1 is a folder").arg(path);
    const QFileInfo folder(file.absolutePath());
    if (!folder.isDir() || !folder.isWritable())
        return QStringLiteral("cannot write into %1")
            .arg(QDir::toNativeSeparators(folder.filePath()));
    return {};
}

int ListPorts(const Options& options) {
    const std::vector<SerialPortChoice> ports = AvailablePorts();
    std::string text = options.json ? "[" : "";
    const char* separator = "";
    for (const SerialPortChoice& port : ports) {
        const std::string system = port.systemPath.toStdString();
        const std::string byId = port.path != port.systemPath ? port.path.toStdString() : "";
        const std::string description = port.description.toStdString();
        if (options.json) {
            text +=
                separator + ("{\"path\":" + JsonString(system) + ",\"by_id\":" + JsonString(byId) +
                             ",\"description\":" + JsonString(description) + "}");
            separator = ",";
        } else {
            text += system + "\t" + (byId.empty() ? "-" : byId) + "\t" +
                    (description.empty() ? "-" : description) + "\n";
        }
    }
    if (options.json) text += "]\n";
    Print(stdout, text);
    return 0;
}

// Runs a plan on the device and reports it; `finish` gets the session once it has ended and
// returns the exit status.
template <class Finish>
int RunPlan(const Options& options, const QString& fileName, Plan plan, Finish finish) {
    if (!plan.error.empty()) return Refuse(QString::fromStdString(plan.error));
    PortAssignments assignments;
    QString error;
    const std::optional<PortChoice> port = ChoosePort(options.portText, assignments, error);
    if (!port) return Refuse(error);
    QtSerialPort serial(assignments);
    SessionOptions sessionOptions;
    sessionOptions.port = port->com;
    sessionOptions.portName = port->name.toStdString();
    sessionOptions.silenceMs = std::int64_t{options.timeoutSeconds} * 1000;
    sessionOptions.attempts = options.retries + 1;
    Session session(serial, std::move(plan), sessionOptions);
    const Run run = RunSession(session, options);
    JobSummary summary{options.command.toStdString(),
                       port->path.toStdString(),
                       &session,
                       run.outcome,
                       session.Message(),
                       fileName.toStdString()};
    summary.seconds = run.seconds;
    const int status = finish(session, summary);
    if (options.json) Print(stdout, JsonSummary(summary));
    return status;
}

int Read(const Options& options) {
    if (!options.arguments.isEmpty())
        return Refuse(QStringLiteral("read takes no file; name the output with -o FILE"));
    if (!options.output.isEmpty()) {
        const QString error = WritableOutput(options.output);
        if (!error.isEmpty()) return Refuse(error);
    }
    return RunPlan(
        options, options.output, ReadPlan(options.objects),
        [&](const Session& session, JobSummary& summary) {
            const std::string text = FormatObjectFile(session.Values());
            const bool complete = session.outcome() == Outcome::Done;
            if (options.output.isEmpty()) {
                // A script reading standard output gets a whole image or nothing.
                if (complete && !options.json) Print(stdout, text);
                summary.includeValues = options.json;
                return static_cast<int>(session.outcome());
            }
            if (!complete && session.Done() == 0) return static_cast<int>(session.outcome());
            // An incomplete read never replaces a good file; what it got is kept beside it.
            const QString target = complete ? options.output : options.output + ".partial";
            QString error;
            if (!SaveTextFile(target, text, &error)) {
                Print(stderr, "zelmar-cli: " + error.toStdString() + "\n");
                summary.message = error.toStdString();
                return static_cast<int>(Outcome::BadInput);
            }
            summary.file = target.toStdString();
            if (!complete && !options.quiet)
                Print(stderr, "zelmar-cli: the objects read are in " + target.toStdString() + "\n");
            return static_cast<int>(session.outcome());
        });
}

int WriteOrVerify(const Options& options, Task task) {
    if (options.arguments.size() != 1)
        return Refuse(QStringLiteral("%1 takes one file").arg(options.command));
    const QString fileName = options.arguments.front();
    QString error;
    const std::optional<std::string> text = LoadTextFile(fileName, &error);
    if (!text) return Refuse(error);
    Plan plan = FilePlan(task, *text, fileName.toStdString(), options.objects);
    return RunPlan(options, fileName, std::move(plan), [](const Session& session, JobSummary&) {
        return static_cast<int>(session.outcome());
    });
}

int ShowSettings(const Options& options) {
    if (options.arguments.size() > 1)
        return Refuse(QStringLiteral("settings takes at most one file"));
    if (options.objects) return Refuse(QStringLiteral("settings takes no --objects"));
    if (options.arguments.isEmpty()) {
        return RunPlan(options, {}, ReadPlan(std::nullopt),
                       [&](const Session& session, JobSummary& summary) {
                           if (session.outcome() != Outcome::Done)
                               return static_cast<int>(session.outcome());
                           summary.settings = &session.Values();
                           if (!options.json) Print(stdout, SettingsInWords(session.Values()));
                           return 0;
                       });
    }
    const QString fileName = options.arguments.front();
    QString error;
    const std::optional<std::string> text = LoadTextFile(fileName, &error);
    if (!text) return Refuse(error);
    const Plan plan = SettingsFilePlan(*text, fileName.toStdString());
    if (!plan.error.empty()) return Refuse(QString::fromStdString(plan.error));
    if (options.json) {
        JobSummary summary{"settings", {}, nullptr, Outcome::Done, {}, fileName.toStdString()};
        summary.settings = &plan.objects;
        Print(stdout, JsonSummary(summary));
    } else {
        Print(stdout, SettingsInWords(plan.objects));
    }
    return 0;
}

constexpr const char* kDescription =
    "Reads and writes the configuration of Zelmar devices over a serial line, with the same\n"
    "dialogue, checks and files as the Zelmar programmer's window.\n"
    "\n"
    "Commands:\n"
    "  ports              the serial ports present: path, by-id name, description\n"
    "  read [-o FILE]     reads objects (default: the settings) into an object file\n"
    "  write FILE         writes the file's objects, each read back and compared\n"
    "  verify FILE        reads the file's objects and compares, writing nothing\n"
    "  settings [FILE]    the settings of a file, or of the device, in words\n"
    "\n"
    "Exit status: 0 done and verified; 1 the device or the line failed; 2 a usage or\n"
    "file error (a refused command line or input file sends nothing); 3 an object\n"
    "holds another value than written or expected; 130 stopped by Ctrl+C after the\n"
    "exchange under way.";

}  // namespace

int RunCli(int argc, char** argv) {
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
    parser.addOptions({port, objects, output, timeout, retries, quiet, json});
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("ports, read, write, verify or settings."));
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("The object file."),
                                 QStringLiteral("[FILE]"));

    if (!parser.parse(QCoreApplication::arguments())) return Refuse(parser.errorText());
    if (parser.isSet(help)) parser.showHelp(0);
    if (parser.isSet(version)) parser.showVersion();

    Options options;
    QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) return Refuse(QStringLiteral("name a command"));
    options.command = positional.takeFirst();
    options.arguments = positional;
    options.portText = parser.value(port);
    if (parser.isSet(objects)) options.objects = parser.value(objects).toStdString();
    options.output = parser.value(output);
    bool ok = false;
    options.timeoutSeconds = parser.value(timeout).toInt(&ok);
    if (!ok || options.timeoutSeconds < 1 || options.timeoutSeconds > 3600)
        return Refuse(QStringLiteral("--timeout needs whole seconds 1..3600"));
    options.retries = parser.value(retries).toInt(&ok);
    if (!ok || options.retries < 0 || options.retries > 100)
        return Refuse(QStringLiteral("--retries needs a whole number 0..100"));
    options.quiet = parser.isSet(quiet);
    options.json = parser.isSet(json);
    if (!options.output.isEmpty() && options.command != QStringLiteral("read"))
        return Refuse(QStringLiteral("-o is for read"));

    if (options.command == QStringLiteral("ports")) {
        if (!options.arguments.isEmpty()) return Refuse(QStringLiteral("ports takes no file"));
        return ListPorts(options);
    }
    if (options.command == QStringLiteral("read")) return Read(options);
    if (options.command == QStringLiteral("write")) return WriteOrVerify(options, Task::Write);
    if (options.command == QStringLiteral("verify")) return WriteOrVerify(options, Task::Verify);
    if (options.command == QStringLiteral("settings")) return ShowSettings(options);
    return Refuse(QStringLiteral("unknown command \"%1\"").arg(options.command));
}

}  // namespace zelmar
