#pragma once
// The job frames, the object list and the settings panel as plain values: what a job start
// reads, and what it shows or refuses, with none of the window's controls and their checks.
// Its values at the start are the window's own: every box "1", the list of the settings
// objects, its tick plain.
#include <array>
#include <string>
#include <vector>

#include "jobs/job_control.h"
#include "numbers/numbers.h"

namespace zelmar::testing {

class PlainJobForm : public JobForm {
  public:
    PlainJobForm() {
        list.push_back("0");
        for (int object = 8176; object <= 8191; ++object) list.push_back(std::to_string(object));
    }

    bool ListChecked() const override { return listTick == 1; }
    bool ListWalked() const override { return listTick != 0; }
    const std::vector<std::string>& ListItems() const override { return list; }
    std::string StartText(Frame frame) const override { return start[Of(frame)]; }
    std::string EndText(Frame frame) const override { return end[Of(frame)]; }
    void SetStartText(Frame frame, std::string text) override { start[Of(frame)] = text; }
    void SetEndText(Frame frame, std::string text) override { end[Of(frame)] = text; }
    bool FirstObjectOnly(Frame frame) const override { return firstObjectOnly[Of(frame)]; }
    bool ClearChosen() const override { return clearChosen; }
    void ClearLog() override { ++logsCleared; }
    void ShowObject(Number object) override { shown = NumberText(object.value()); }
    void Refuse(const std::string& reason) override { refusals.push_back(reason); }
    SettingsInput PanelSettings() const override {
        SettingsInput input{sendDelay, packetTime, repeatDelay, {}};
        for (std::size_t n = 0; n < repeaters.size(); ++n) input.repeaters[n] = repeaters[n];
        return input;
    }

    // 0 unticked, 1 ticked (the starts take their ends from the list), 2 grey (the walk alone).
    int listTick = 1;
    std::vector<std::string> list;
    // The read frame's boxes first, then the write frame's.
    std::array<std::string, 2> start{"1", "1"}, end{"1", "1"};
    std::array<bool, 2> firstObjectOnly{};
    bool clearChosen = false;
    int logsCleared = 0;
    std::string shown;  // the object shown last, as the window writes it
    std::vector<std::string> refusals;
    // The settings panel: the two lists' choices and the boxes' texts.
    int sendDelay = -1, repeatDelay = -1;
    std::string packetTime;
    std::array<std::string, kRepeaterCount> repeaters{};

  private:
    static std::size_t Of(Frame frame) { return frame == Frame::Read ? 0 : 1; }
};

}  // namespace zelmar::testing
