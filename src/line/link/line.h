#pragma once
// The line to the device as one component: the port, the dialogue engine with its image, the
// traffic record, the clock that tells whether the device is heard, and the policy for a line
// that begins out of step. It carries out what concerns the line itself (the answer bytes, the
// reopening, the interruption of a job when the port goes away) and passes up only what the
// screen or the caller needs: the engine's view effects, its own word on the port, and how the
// job went as data (report()).
//
// The way of one byte: port -> Line -> engine -> effects -> the view.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "dialogue/effects.h"
#include "dialogue/job.h"
#include "dialogue/job_runner.h"
#include "dialogue/link_engine.h"
#include "dialogue/traffic_record.h"
#include "ports/serial_port.h"

namespace zelmar {

// "The device on COM 1 does not start its dialogue with 172: check ...".
std::string OutOfStepText(std::string_view port);

class Line : public JobRunner, private EffectSink {
  public:
    // Openings in a row that begin out of step before the line gives up and stays closed.
    static constexpr int kReopenings = 5;
    // Silence after which the device counts as not heard: it polls without pause.
    static constexpr std::int64_t kSilentMs = 3000;

    explicit Line(SerialPort& port);
    ~Line() override;
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;

    // Where the view effects go; none until set.
    void SetView(EffectSink* view) { view_ = view; }

    // The port. COM 1..4 is accepted only while the port is closed.
    void SelectPort(int port);
    int Port() const { return port_.CommPort(); }
    bool IsOpen() const override { return port_.PortOpen(); }
    // Opens a closed port, as a new link whose first value must be 172, or closes an open
    // one; throws StepError with the reason and leaves the port as it was.
    void Toggle();

    // Jobs.
    bool Start(Job job) override;
    void Stop() override;
    // A running job ends as failed, for `reason`.
    void Interrupt(const std::string& reason);
    bool Busy() const override { return engine_.Busy(); }
    const JobReport& report() const override { return engine_.report(); }
    ObjectTable& table() override { return engine_.table(); }
    const ObjectTable& table() const { return engine_.table(); }
    const LinkState& state() const override { return engine_.state(); }
    LinkEngine& engine() { return engine_; }

    // Policies a caller that knows its line better may change.
    void SetAttempts(int attempts) { engine_.SetAttempts(attempts); }
    void SetReopenings(int reopenings) { reopenings_ = reopenings; }
    // A job on a line that has not polled since its opening has not begun, so cannot stall.
    void SetStallOnlyOncePolled(bool on) { stallOnlyOncePolled_ = on; }

    // The time, in milliseconds of a steady clock, a few times a second: a stalled exchange
    // is taken up again, and the clock of the last byte heard moves.
    void Tick(std::int64_t nowMs);
    // Since the last byte received, or the opening; 0 while closed.
    std::int64_t QuietMs() const;
    // Whether the device is heard: empty while the port is closed.
    std::string ActivityText() const;
    bool PolledSinceOpening() const { return received_ != receivedAtOpen_; }

    // Everything received, as the log writes it with every poll shown, kept beyond the pane.
    void RecordTraffic();
    TrafficRecord* traffic() { return traffic_.get(); }

    // What the port said last of its lines and of its errors; kept, shown nowhere.
    const std::string& LastEventText() const { return lastEventText_; }
    const std::string& LastErrorText() const { return lastErrorText_; }

  private:
    void Take(const Effect& effect) override;
    // The answer to the device; a port that cannot take it is a failure for the view. Apart
    // from Take, so that the effects that pass through it do not pay for the answer's frame.
    void Answer(std::uint8_t byte);
    void PassFailure(const std::string& failure);
    void Received(std::uint8_t byte);
    void Event(int code);
    void Lost(const std::string& description);
    void Reopen();
    void Opened();
    void Pass(const Effect& effect) {
        if (view_) view_->Take(effect);
    }

    SerialPort& port_;
    LinkEngine engine_;
    EffectSink* view_ = nullptr;
    std::unique_ptr<TrafficRecord> traffic_;
    std::string trafficText_;
    int reopenings_ = kReopenings;
    int outOfStep_ = 0;
    bool stallOnlyOncePolled_ = false;
    bool receiving_ = false;  // a received value is being handled
    long received_ = 0;
    long receivedAtOpen_ = 0;
    std::int64_t nowMs_ = 0;
    std::int64_t lastHeardMs_ = -1;  // -1: no tick since the port opened
    long heardCount_ = 0;
    std::string lastEventText_;
    std::string lastErrorText_;
};

}  // namespace zelmar
