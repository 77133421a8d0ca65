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
    // `effects` carries out what a "Stop" that ends the job at once brings about.
    JobControl(LinkEngine& engine, JobForm& form, EffectSink& effects)
        : engine_(engine), form_(form), effects_(effects) {}

    // The settings panel's "Read": the read frame's boxes as they stand, unchecked.
    void ReadSettings();
    // The settings panel's "Write": the panel into the image's settings entries, then the write
    // frame's boxes as they stand.
    void WriteSettings();
    // The frame's "Start": a range of objects, or the start object alone.
    void StartRange(Frame frame);
    // The frame's "Stop": the job ends once the object under way has finished.
    void Stop(Frame frame);

    // A job is under way: no start is taken until it ends.
    bool Busy() const { return engine_.Busy(); }

  private:
    bool ListStep(Frame frame);
    bool ListIsMissing();
    bool BeginStart(Frame frame);
    bool RefuseWhileBusy();
    void Start(const Job& job);

    LinkEngine& engine_;
    JobForm& form_;
    EffectSink& effects_;
};

}  // namespace zelmar
