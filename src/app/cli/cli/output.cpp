#include "cli/output.h"

#include <QtGlobal>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "session/session_report.h"

#ifdef Q_OS_WIN
#include "adapters/windows_api.h"
#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING
#define ENABLE_VIRTUAL_TERMINAL_PROCESSING 0x0004
#endif
#else
#include <unistd.h>
#endif

namespace zelmar::cli {
namespace {

bool g_stdoutClosed = false;
// Why a write to standard output failed; empty while every one went through.
std::string g_stdoutError;

// How standard error can show progress. A Windows console older than Windows 10 knows no
// escape codes and would print them; it still returns the carriage.
ProgressStyle StandardErrorStyle() {
#ifdef Q_OS_WIN
    if (_isatty(_fileno(stderr)) == 0) return ProgressStyle::Lines;
    const HANDLE console = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (console != INVALID_HANDLE_VALUE && GetConsoleMode(console, &mode) &&
        SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING))
        return ProgressStyle::Ansi;
    return ProgressStyle::CarriageReturn;
#else
    return isatty(STDERR_FILENO) == 1 ? ProgressStyle::Ansi : ProgressStyle::Lines;
#endif
}

// The columns `text` takes: its characters, not the bytes of their UTF-8.
std::size_t Columns(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

}  // namespace

std::string ProgressRedraw(ProgressStyle style, const std::string& shown, const std::string& line) {
    switch (style) {
        case ProgressStyle::Lines:
            return line + "\n";
        case ProgressStyle::Ansi:
            return "\r\033[K" + line;
        case ProgressStyle::CarriageReturn:
            break;
    }
    const std::size_t before = Columns(shown), now = Columns(line);
    return "\r" + line + std::string(before > now ? before - now : 0, ' ');
}

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

Progress::Progress(bool quiet) : quiet_(quiet), style_(StandardErrorStyle()) {}

void Progress::Show(const Session& session, std::int64_t elapsedMs) {
    if (quiet_ || session.Total() == 0) return;
    const int done = session.Done();
    const std::string line = ProgressLine(session.task(), done, session.Total(), elapsedMs);
    if (style_ != ProgressStyle::Lines) {
        constexpr int kWidth = 20;
        const int filled = done * kWidth / session.Total();
        const std::string drawn = "[" + std::string(static_cast<std::size_t>(filled), '#') +
                                  std::string(static_cast<std::size_t>(kWidth - filled), ' ') +
                                  "] " + line;
        if (drawn != shown_) PrintErr(ProgressRedraw(style_, shown_, drawn));
        shown_ = drawn;
        return;
    }
    const int tenth = done * 10 / session.Total();
    if (tenth == tenth_) return;
    tenth_ = tenth;
    PrintErr(ProgressRedraw(style_, {}, line));
}

void Progress::Finish() {
    if (style_ != ProgressStyle::Lines && !shown_.empty()) PrintErr("\n");
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
