#include "cli/cli_app.h"

#include <QCoreApplication>
#include <optional>

#include "adapters/signal_watcher.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "cli/output.h"
#include "cli/session_run.h"

namespace zelmar {

int RunCli(int argc, char** argv) {
    // Before anything opens a descriptor that could take the number of a closed stream.
    constexpr int kStandardOutput = 1;  // its descriptor, on every system
    cli::NoteStandardOutputClosed((OccupyClosedStandardStreams() & (1 << kStandardOutput)) != 0);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zelmar-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZELMAR_VERSION));

    const std::optional<cli::CommandLine> line = cli::ReadCommandLine();
    if (!line) return static_cast<int>(Outcome::BadInput);

    // From here on a signal ends the job at an exchange and the run still reports.
    const SignalWatcher watcher(cli::PassSignal);

    cli::Result result = line->refusal.isEmpty() ? cli::RunCommand(line->options)
                                                 : cli::Refused(line->options, line->refusal);
    return cli::Report(result, line->options);
}

}  // namespace zelmar
