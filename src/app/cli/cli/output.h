#pragma once
// What zelmar-cli says: standard output, which a script reads and whose failure counts; standard
// error; the progress shown there while a job runs; and the end of a run, as text or JSON.
#include <cstdint>
#include <string>

#include "cli/options.h"
#include "cli/result.h"
#include "session/session.h"

namespace zelmar::cli {

// Standard output as the program found it: closed at start, it is held by /dev/null and every
// write to it counts as failed.
void NoteStandardOutputClosed(bool closed);
bool StandardOutputClosed();

// Writes to standard output. After the first failure nothing more is written there.
void PrintOut(const std::string& text);
// Standard error may have gone with its terminal (SIGHUP): a failed write there is no reason
// to stop, so it is not checked.
void PrintErr(const std::string& text);

// How progress is drawn on standard error: a line every tenth (no terminal); redrawn in place
// with the terminal's escape codes; or, on a console that has none, with a carriage return
// alone.
enum class ProgressStyle { Lines, Ansi, CarriageReturn };

// What to write to replace the progress `shown` (empty before the first) by `line`. Without
// escape codes the rest of a longer line before is blanked out with spaces.
std::string ProgressRedraw(ProgressStyle style, const std::string& shown, const std::string& line);

// Progress on stderr: a bar redrawn in place on a terminal, a line every tenth otherwise.
class Progress {
  public:
    explicit Progress(bool quiet);

    void Show(const Session& session, std::int64_t elapsedMs);
    void Finish();

  private:
    bool quiet_;
    ProgressStyle style_;
    std::string shown_;  // as drawn, bar and all
    int tenth_ = 0;      // nothing done is no news
};

// Tells how the run ended: a refusal's sentence on standard error, the output or the JSON on
// standard output. Returns the exit status, which a failed standard output makes a usage error.
int Report(Result& result, const Options& options);

}  // namespace zelmar::cli
