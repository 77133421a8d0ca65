#include "program/window_command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace zelmar {
namespace {

constexpr const char* kName = "zelmar-programator";

constexpr const char* kDescription =
    "The Zelmar programmer's window: reads and writes the configuration of a Zelmar device\n"
    "on COM 1 to COM 4 at 1200 baud 8N1.\n"
    "\n"
    "Qt's own options (-style, -reverse, -platform, ...) are not taken; set Qt through its\n"
    "environment variables instead, such as QT_QPA_PLATFORM=offscreen or QT_SCALE_FACTOR=1.5.\n"
    "ZELMAR_COM1 to ZELMAR_COM4 name the device behind each COM for one run.";

int Refuse(const QString& why) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", kName, qPrintable(why), kName);
    return 2;
}

}  // namespace

std::optional<int> AnswerCommandLine(int argc, char** argv) {
    if (argc <= 1) return std::nullopt;
    // Core only: answering --help must not need a display.
    const QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QString::fromLatin1(kName));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZELMAR_VERSION));

    QCommandLineParser parser;
    // "-reverse" is then one unknown option, not seven unknown letters.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    // Not addHelpOption(): it brings --help-all, which lists the Qt options refused here.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help and exits."));
    parser.addOption(help);
    const QCommandLineOption version = parser.addVersionOption();
    if (!parser.parse(QCoreApplication::arguments())) return Refuse(parser.errorText());
    if (parser.isSet(help)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet(version)) parser.showVersion();
    const QStringList extra = parser.positionalArguments();
    return Refuse(extra.isEmpty()
                      ? QStringLiteral("takes no arguments")
                      : QStringLiteral("takes no arguments, got '%1'").arg(extra.first()));
}

}  // namespace zelmar
