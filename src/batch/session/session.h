#pragma once
// One job of the command-line programmer, from the port's opening to its closing, on the
// window's own line component: the objects come from a plan as a job of their own, and how the
// job ended comes out as an exit status instead of a message box.
//
//     Session session(port, plan, options);
//     session.Begin(now);
//     while (!session.Finished()) { run the port's events; session.Tick(now); }
//
// The device leads as ever: the job starts at the first polls after the opening. A first byte
// other than a poll reopens the port and the job goes on with the objects not yet done; a
// device that vanishes, stays silent or cannot finish an exchange ends the job.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "dialogue/job.h"
#include "link/line.h"
#include "session/plan.h"

namespace zelmar {

// The exit statuses a script sees.
enum class Outcome : int {
    Done = 0,        // every object done and, for writes and verifies, as the plan says
    LineFailed = 1,  // no polls, the device gone, an exchange stalled past its attempts
    BadInput = 2,    // the command line or a file; nothing was sent
    Unverified = 3,  // done, but an object holds another value than the plan's
    // Stopped on request (a signal): once the exchange under way had finished, or at once. The
    // program exits with 128 + the signal's number; 130 is SIGINT's.
    Interrupted = 130
};

struct SessionOptions {
    int port = 1;                    // COM n
    std::string portName;            // how messages name the port: "/dev/ttyUSB0"
    std::int64_t silenceMs = 10000;  // no byte this long: the device is not there
    int attempts = LinkEngine::kAttempts;
    int reopenings = Line::kReopenings;  // openings in a row that began out of step
};

class Session : private EffectSink {
  public:
    Session(SerialPort& port, Plan plan, SessionOptions options);
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    ~Session() override;

    // Opens the port and starts the job; `nowMs` is a steady clock in milliseconds.
    void Begin(std::int64_t nowMs);
    // A few times a second: a stalled exchange is taken up again, a silent device given up.
    void Tick(std::int64_t nowMs);
    // Ends the job once the exchange under way has finished; before Begin, ends it there, so
    // that the port is never opened.
    void Stop();
    // Ends the job now, the exchange under way left unfinished, and closes the port; `why` is
    // said in the message ("a second signal").
    void StopAtOnce(const std::string& why);

    bool Finished() const { return outcome_.has_value(); }
    Outcome outcome() const { return outcome_.value_or(Outcome::Done); }
    // One sentence for the technician; empty when the job was done as planned.
    const std::string& Message() const { return message_; }

    Task task() const { return plan_.task; }
    // What the device sent for each object done, in the plan's order: read, or read back.
    const std::vector<ObjectEntry>& Values() const { return values_; }
    const std::vector<Mismatch>& Mismatches() const { return mismatches_; }
    int Done() const { return static_cast<int>(values_.size()); }
    int Total() const { return static_cast<int>(plan_.objects.size()); }

  private:
    void Take(const Effect& effect) override;

    // Takes the values of the objects the line's job has finished since the last call.
    void Harvest();
    void StartRemaining();
    void Complete();
    void Failed(const std::string& reason);
    void End(Outcome outcome, std::string message);
    // The whole plan as one job: what a message says of it.
    JobReport Whole(JobReport::Outcome outcome) const;

    Plan plan_;
    SessionOptions options_;
    Line line_;
    std::size_t harvested_ = 0;  // values of the line's job taken so far
    std::vector<ObjectEntry> values_;
    std::vector<Mismatch> mismatches_;
    std::optional<Outcome> outcome_;
    std::string message_;
};

}  // namespace zelmar
