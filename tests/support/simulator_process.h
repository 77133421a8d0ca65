#pragma once
// The device simulator as a process of its own, started and ready: its first line of output is
// the path of its terminal, written once its link is made and its signals are watched. Ended
// with SIGTERM, on which it saves its table where --save says.
#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "support/process.h"

namespace zelmar::testing {

class SimulatorProcess : public Process {
  public:
    // `args`: the simulator's path, then its options. Standard output is the simulator's own
    // line to the test; standard error goes where `options` says.
    explicit SimulatorProcess(std::vector<std::string> args, ProcessOptions options = {})
        : Process(std::move(args), Piped(std::move(options))),
          terminal_(ReadLine(std::chrono::seconds(10)).value_or("")) {}

    // The pseudo-terminal's slave side; empty when the simulator did not come up.
    const std::string& Terminal() const { return terminal_; }

  private:
    static ProcessOptions Piped(ProcessOptions options) {
        options.out = Output::Pipe();
        return options;
    }

    std::string terminal_;
};

}  // namespace zelmar::testing
