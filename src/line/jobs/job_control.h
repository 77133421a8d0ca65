#pragma once
// Starting and stopping jobs. A start builds the job whole (which way, which objects) and hands
// it to the line; the device leads, and the engine carries the job out at its next polls.
//
// The client area's buttons build theirs from the frames' boxes and the object list as they
// always have; a job from beyond the client area (the Jobs dialog) comes built and only passes
// the same checks here.
#include <optional>
#include <string>
#include <vector>

#include "dialogue/job_runner.h"
#include "dialogue/settings_codec.h"

namespace zelmar {

// The " Read " and " Write " frames, each with a start box, an end box and "First Object".
enum class Frame { Read, Write };

// What a job start reads from the window and shows in it. The window binds it to its controls;
// setting a box's text runs that box's own checks before the start goes on.
class JobForm {
  public:
    virtual ~JobForm() = default;
    // True while the starts take their first and last object from the object list (a plain
    // tick), and while the job walks the list (any tick).
    virtual bool ListChecked() const = 0;
    virtual bool ListWalked() const = 0;
    virtual const std::vector<std::string>& ListItems() const = 0;
    virtual std::string StartText(Frame frame) const = 0;
    virtual std::string EndText(Frame frame) const = 0;
    virtual void SetStartText(Frame frame, std::string text) = 0;
    virtual void SetEndText(Frame frame, std::string text) = 0;
    virtual bool FirstObjectOnly(Frame frame) const = 0;
    virtual bool ClearChosen() const = 0;
    virtual void ClearLog() = 0;
    virtual void ShowObject(Number object) = 0;
    // A start that cannot go ahead says why.
    virtual void Refuse(const std::string& reason) = 0;
    virtual SettingsInput PanelSettings() const = 0;
};

// The objects a job of the client area walks from `first` to `end`: over the object list
// (`list`, whose entry 0 the start took as `first`) up to the first later entry that names
// `end`, or counting up. It never runs past the list's last entry or past `end`, and a start
// beyond the end covers the start object alone.
std::vector<Number> ClientAreaObjects(Number first, Number end,
                                      const std::vector<std::string>* list);

class JobControl {
  public:
    JobControl(JobRunner& line, JobForm& form) : line_(line), form_(form) {}

    // The settings panel's "Read": the read frame's boxes as they stand, unchecked.
    void ReadSettings();
    // The settings panel's "Write": the panel into the image's settings entries, then the write
    // frame's boxes as they stand.
    void WriteSettings();
    // The frame's "Read" or "Write" option: a range of objects, or the start object alone.
    void StartRange(Frame frame);
    // The frame's "Stop": the list step, and the job ends once the object under way has
    // finished.
    void Stop(Frame frame);
    // A job built beyond the client area; true when it started.
    bool StartJob(Job job);
    // Stops the job under way without touching the frames.
    void StopJob() { line_.Stop(); }

    // A job is under way: no start is taken until it ends.
    bool Busy() const { return line_.Busy(); }

    // The job under way with its progress, else how the last one ended or why the last start
    // did nothing; empty before the first.
    std::string StatusText() const;
    // Objects done and the job's whole count, for a progress bar.
    int Done() const { return line_.report().done; }
    int Total() const { return line_.report().total; }

  private:
    bool ListStep(Frame frame);
    bool ListIsMissing();
    bool BeginStart(Frame frame);
    bool RefuseWhileBusy();
    bool RefuseWhileClosed();
    void Start(Number first, Number end, Direction direction, JobOrigin origin);

    JobRunner& line_;
    JobForm& form_;
    std::string refusal_;  // why the last start did nothing; empty once one went ahead
};

}  // namespace zelmar
