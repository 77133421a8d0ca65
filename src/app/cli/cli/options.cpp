#include "cli/options.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include "cli/output.h"

namespace zelmar::cli {
namespace {

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

std::optional<CommandLine> ReadCommandLine() {
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption port({QStringLiteral("p"), QStringLiteral("port")},
                                  QStringLiteral("COM1 to COM4, as the window maps them; "
                                                 "on Windows any other COMn by its name; or "
                                                 "a device path (default: COM1)."),
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
        return std::nullopt;
    }
    // The parser's own --help-all (Qt's options too: zelmar-cli has none) is help as well.
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) parser.showHelp(0);
    if (parser.isSet(version)) parser.showVersion();

    CommandLine line;
    Options& options = line.options;
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
    line.refusal = [&] {
        if (options.command.isEmpty()) return QStringLiteral("name a command");
        if (parser.isSet(resume) && options.resume.isEmpty())
            return QStringLiteral("--resume needs the FILE.partial to carry on");
        bool ok = false;
        options.timeoutSeconds = parser.value(timeout).toInt(&ok);
        if (!ok || options.timeoutSeconds < 1 || options.timeoutSeconds > 3600)
            return QStringLiteral("--timeout needs whole seconds 1..3600");
        options.retries = parser.value(retries).toInt(&ok);
        if (!ok || options.retries < 0 || options.retries > 100)
            return QStringLiteral("--retries needs a whole number 0..100");
        return QString();
    }();
    return line;
}

}  // namespace zelmar::cli
