#pragma once
// The programmer's side of the serial dialogue as a state machine: no port, no window, no clock.
// Each received byte goes in; what follows from it comes out, in order, as effects for whoever
// owns the port and the screen to carry out. Time comes in as ticks.
//
// The device leads. What it sends, with the programmer's answers:
//
//   read of object N                       write of object N
//   172        (no answer)                 172        (no answer)
//   172     -> 0x55                        172     -> 0xAA
//   202     -> N div 256                   202     -> N div 256
//   202     -> N mod 256                   202     -> N mod 256
//   data byte D: stored at N, logged       202     -> image entry N
//                as "D - N"                202        (no answer): the read of N follows
//
// A job walks its own objects in order, one exchange each (a write job a write exchange and
// then a read exchange of the same object); the data byte of its last object ends it. Without a
// job the engine answers nothing and only lights the idle lamp for each 172.
//
// After a connection the first value must be 172: anything else means the line is out of step,
// and the engine asks for the port to be closed and opened again.
//
// One exchange concerns one object from its command to its data byte:
// - a value is a data byte only after both address bytes went out; a poll value there is data
//   too ("marked"), though a 172, which a device that missed the low address byte also sends,
//   only once a second read of the object gives it again. Anywhere else a value that is not the
//   poll the step waits for is only logged;
// - a 172 where the exchange waits for its 202 polls means the device dropped the exchange, and
//   a job that makes no progress for kStallMs has stalled: either way the exchange of the same
//   object starts again, and after kAttempts attempts the job ends as failed;
// - "Stop" lets the object under way finish (a write's read-back included) and touches no other.
#include <cstdint>
#include <optional>
#include <string>

#include "dialogue/effects.h"
#include "dialogue/job.h"
#include "dialogue/link_state.h"
#include "dialogue/log_entry.h"
#include "dialogue/object_table.h"
#include "numbers/numbers.h"

namespace zelmar {

class LinkEngine {
  public:
    // How long a job may make no progress before its exchange starts again: about 120 byte
    // times at 1200 baud, where a whole exchange takes about 12 and the device polls without
    // pause, so only a device that has dropped out of the exchange stays this long.
    static constexpr std::int64_t kStallMs = 1000;
    // Stalls of one object's exchange before the job gives up on it.
    static constexpr int kAttempts = 3;
    // Early polls (the device back at 172 mid-exchange) one object may take. A program held up
    // for a moment answers a run of polls late, and each late answer costs the device one of
    // them: that is a hiccup of the program, not a device that cannot finish, so it counts
    // apart from the stalls and only a device that never gets through ends the job.
    static constexpr int kEarlyPolls = 20;

    LinkEngine() = default;

    // Stalls of one object's exchange before a job gives up on it; kAttempts unless a caller
    // that knows its line better says otherwise (at least 1).
    void SetAttempts(int attempts) { attempts_ = attempts < 1 ? 1 : attempts; }

    // Takes one received value; hands what follows from it to `out`, in order.
    void Receive(std::uint8_t value, EffectSink& out);

    // Start-up: no job, the exchanges at their start, object 1. A job under way does not
    // survive it: it ends as failed, for `reason`, without a word to anyone.
    void Reset(const std::string& reason = "the line was opened again");
    // A new connection: as Reset, and the next value is the first of the link.
    void Connected();
    // Starts the job at its first object; a job without objects, or with more than
    // kMaxJobObjects, starts nothing and returns false.
    bool Start(Job job);
    // Ends the job once the object under way has finished, at once when none is; without a
    // job, only shows the end object as the current one.
    void Stop(EffectSink& out);
    // The link closed or the device went away: a running job ends as failed, for `reason`.
    void Interrupt(const std::string& reason, EffectSink& out);
    // The time, in milliseconds of a steady clock; a job that stalls is taken up again here.
    void Tick(std::int64_t nowMs, EffectSink& out);

    bool Busy() const { return state_.LinkMode != kModeIdle; }
    // The job under way so far, or the last one as it ended.
    const JobReport& report() const { return report_; }
    const Job& job() const { return job_; }

    const LinkState& state() const { return state_; }
    ObjectTable& table() { return table_; }
    const ObjectTable& table() const { return table_; }

  private:
    // `poll` is the value when it counts as a poll, 0 otherwise. A read step that takes the
    // data byte returns its log entry.
    std::optional<LogEntry> ReadStep(std::uint8_t value, std::uint8_t poll, EffectSink& out);
    void WriteStep(std::uint8_t poll, EffectSink& out);
    LogEntry TakeData(std::uint8_t value, EffectSink& out);
    void Advance(EffectSink& out);
    void EndJob(JobReport::Outcome outcome, EffectSink& out);
    void Fail(const std::string& reason, EffectSink& out);
    // The exchange of the current object starts again, or the job fails after kAttempts.
    // `firstPollSeen`: the value that showed the stall was the exchange's first 172.
    void Retry(bool firstPollSeen, EffectSink& out);
    void SendAddress(bool high, EffectSink& out);

    Job job_;
    int attempts_ = kAttempts;
    LinkState state_;
    ObjectTable table_;
    JobReport report_;
    int written_ = -1;         // the byte the write exchange sent, for the read-back's check
    bool progressed_ = false;  // the job moved on since the last tick
    std::int64_t lastProgressMs_ = -1;  // -1: no tick since the job started
};

}  // namespace zelmar
