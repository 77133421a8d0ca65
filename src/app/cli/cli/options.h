#pragma once
// zelmar-cli's command line: the command, its file and the options, read and checked before
// anything touches a port.
#include <QString>
#include <QStringList>
#include <optional>
#include <string>

#include "dialogue/link_engine.h"

namespace zelmar::cli {

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

// The options given, and why they are refused when they are.
struct CommandLine {
    Options options;
    QString refusal;  // empty when the options hold
};

// Reads the application's command line. --help and --version are answered, and the program
// ends there. Nothing when the line cannot be read at all, which standard error has been told.
std::optional<CommandLine> ReadCommandLine();

}  // namespace zelmar::cli
