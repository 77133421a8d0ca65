#pragma once
// The job side of the line, as the job controls see it: the line component implements it, so
// that the job starts need not link the port's layer.
#include "dialogue/job.h"
#include "dialogue/link_state.h"
#include "dialogue/object_table.h"

namespace zelmar {

class JobRunner {
  public:
    virtual ~JobRunner() = default;
    // Starts the job; false when it has no objects (or too many) and nothing started.
    virtual bool Start(Job job) = 0;
    // The job ends once the object under way has finished.
    virtual void Stop() = 0;
    virtual bool Busy() const = 0;
    virtual const JobReport& report() const = 0;
    virtual ObjectTable& table() = 0;
    virtual const LinkState& state() const = 0;
    // A job waits for polls that never come on a closed line.
    virtual bool IsOpen() const = 0;
};

}  // namespace zelmar
