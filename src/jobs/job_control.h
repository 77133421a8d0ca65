#pragma once
// Starting and stopping jobs. A start only tells the engine which objects to move and which
// way; the device leads, and the engine carries the job out at its next polls.
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
};

class JobControl {
  public:
    JobControl(LinkEngine& engine, JobForm& form) : engine_(engine), form_(form) {}

    // The settings panel's "Read": the read frame's boxes as they stand, unchecked.
    void ReadSettings();
    // The settings panel's "Write": the panel into the image's settings entries, then the write
    // frame's boxes as they stand.
    void WriteSettings();
    // The frame's "Start": a range of objects, or the start object alone.
    void StartRange(Frame frame);
    // The frame's "Stop": the job ends with the data byte of the exchange under way.
    void Stop(Frame frame);

  private:
    bool ListStep(Frame frame);
    bool ListIsMissing();
    bool BeginStart(Frame frame);
    void Start(const Job& job);

    LinkEngine& engine_;
    JobForm& form_;
};

}  // namespace zelmar
