#include "cli/commands.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "adapters/port_assignments.h"
#include "adapters/qt_serial_port.h"
#include "adapters/signal_watcher.h"
#include "adapters/text_file.h"
#include "cli/output.h"
#include "cli/port_choice.h"
#include "cli/session_run.h"
#include "session/object_set.h"
#include "session/plan.h"

namespace zelmar::cli {
namespace {

// Why `path` cannot take the output, or nothing. Only a regular file is replaced (atomically):
// a device node or a FIFO named by mistake (-o /dev/null as root) is never touched.
QString UnfitOutput(const QString& path) {
    const QFileInfo file(path);
    if (file.isDir()) return QStringLiteral("%1 is a folder").arg(NativePath(path));
    // What a link leads to counts; Qt takes only a regular file for a file.
    if (file.exists() && !file.isFile())
        return QStringLiteral(
                   "%1 is not a regular file (a device, a FIFO or a socket); name a "
                   "regular file or a new one")
            .arg(NativePath(path));
    const QFileInfo folder(file.absolutePath());
    if (!folder.isDir() || !folder.isWritable())
        return QStringLiteral("cannot write into %1")
            .arg(QDir::toNativeSeparators(folder.filePath()));
    return {};
}

// Removes a stale FILE.partial beside a complete FILE; only a regular file.
void RemoveStalePartial(const QString& partial) {
    const QFileInfo file(partial);
    if (!file.isSymbolicLink() && file.isFile()) QFile::remove(partial);
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
    const Run run = RunSession(session, options.quiet);

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
        const QFileInfo partialFile(partial);
        if (partialFile.exists() && !partialFile.isFile())
            return Refused(
                options,
                QStringLiteral("--resume %1: not a regular file").arg(NativePath(partial)));
        QString error;
        const std::optional<std::string> text = LoadTextFile(partial, &error);
        if (!text) return Refused(options, error);
        plan = ResumePlan(*text, NativePath(partial).toStdString(), options.objects);
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
            PrintErr("zelmar-cli: the objects read are in " + NativePath(target).toStdString() +
                     "\n");
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
    Plan plan = FilePlan(task, *text, NativePath(fileName).toStdString(), options.objects);
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
    const Plan plan = SettingsFilePlan(*text, NativePath(fileName).toStdString());
    if (!plan.error.empty()) return Refused(options, QString::fromStdString(plan.error));
    Result result;
    result.summary.command = "settings";
    result.summary.file = fileName.toStdString();
    result.summary.settings = plan.objects;
    result.out = SettingsInWords(plan.objects);
    return result;
}

}  // namespace

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
    if (StandardOutputClosed() && toStandardOutput)
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

}  // namespace zelmar::cli
