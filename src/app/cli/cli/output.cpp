#include "cli/output.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "session/session_report.h"

namespace zelmar::cli {
namespace {

bool g_stdoutClosed = false;
// Why a write to standard output failed; empty while every one went through.
std::string g_stdoutError;

}  // namespace

void NoteStandardOutputClosed(bool closed) {
    g_stdoutClosed = closed;
}

bool StandardOutputClosed() {
    return g_stdoutClosed;
}

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

void PrintErr(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
    std::clearerr(stderr);
}

Progress::Progress(bool quiet) : quiet_(quiet), terminal_(isatty(STDERR_FILENO) == 1) {}

void Progress::Show(const Session& session, std::int64_t elapsedMs) {
    if (quiet_ || session.Total() == 0) return;
    const int done = session.Done();
    const std::string line = ProgressLine(session.task(), done, session.Total(), elapsedMs);
    if (terminal_) {
        constexpr int kWidth = 20;
        const int filled = done * kWidth / session.Total();
        const std::string bar = "[" + std::string(static_cast<std::size_t>(filled), '#') +
                                std::string(static_cast<std::size_t>(kWidth - filled), ' ') + "] ";
        if (line != shown_) PrintErr("\r\033[K" + bar + line);
        shown_ = line;
        return;
    }
    const int tenth = done * 10 / session.Total();
    if (tenth == tenth_) return;
    tenth_ = tenth;
    PrintErr(line + "\n");
}

void Progress::Finish() {
    if (terminal_ && !shown_.empty()) PrintErr("\n");
    shown_.clear();
}

int Report(Result& result, const Options& options) {
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

}  // namespace zelmar::cli
