#pragma once
// Starting and stopping jobs. A start only tells the engine which objects to move and which
// way; the device leads, and the engine carries the job out at its next polls.
#include <optional>
#include <string>
#include <vector>

#include "dialogue/link_engine.h"
#include "dialogue/settings_codec.h"

namespace zelmar {

// The " Read " and " Write " frames, each with a start box, an end box and "First Object".
enum class Frame { Read, Write };

// What a job start reads from the window and shows in it. The window binds it to its controls;
// setting a box's text runs that box's own checks before the start goes on.
class JobForm {
  public:
    virtual ~JobForm() = default;
    // True while the starts take their first and last object from the object list.
    virtual bool ListChecked() const = 0;
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
    // A job started on a closed line would wait for polls that never come.
    virtual bool LineOpen() const = 0;
};

class JobControl {
  public:
    // `effects` carries out what a "Stop" that ends the job at once brings about.
    JobControl(LinkEngine& engine, JobForm& form, EffectSink& effects)
        : engine_(engine), form_(form), effects_(effects) {}

    // The settings panel's "Read": the read frame's boxes as they stand, unchecked.
    void ReadSettings();
    // The settings panel's "Write": the panel into the image's settings entries, then the write
    // frame's boxes as they stand.
    void WriteSettings();
    // The frame's "Start": a range of objects, or the start object alone; over the object list
    // while the list is ticked, or when `useList` says so regardless of the tick.
    void StartRange(Frame frame, std::optional<bool> useList = std::nullopt);
    // The frame's "Stop": the job ends once the object under way has finished.
    void Stop(Frame frame);

    // A job is under way: no start is taken until it ends.
    bool Busy() const { return engine_.Busy(); }

    // The job under way with its progress ("Reading settings: 5 of 17"), else how the last one
    // ended or why the last start did nothing; empty before the first.
    std::string StatusText() const;
    // Objects done and the job's whole count, for a progress bar; total 0 when unknown.
    int Done() const { return engine_.state().ObjectsDone; }
    int Total() const { return total_; }

  private:
    bool ListStep(Frame frame);
    bool ListIsMissing();
    bool BeginStart(Frame frame);
    bool RefuseWhileBusy();
    bool RefuseWhileClosed();
    // How many objects the job walks: the list up to its end entry, or the range.
    int CountObjects(Number first, Number end, bool list) const;
    void Start(const Job& job);

    LinkEngine& engine_;
    JobForm& form_;
    EffectSink& effects_;
    std::optional<bool> useList_;  // the list choice of the start under way
    bool settings_ = false;        // the last job was the settings panel's
    int total_ = 0;
    std::string refusal_;  // why the last start did nothing; empty once one went ahead
};

}  // namespace zelmar
