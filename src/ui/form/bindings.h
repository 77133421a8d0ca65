#pragma once
// How the components see the window: the job control its frames and panel, the engine the
// object list and the place of its effects, the terminal log the pane. Each reads and sets the
// controls by their names.
#include "form/frm_terminal.h"

namespace zelmar {

class WindowBindings : public JobForm, public PaneText, public EffectSink {
  public:
    explicit WindowBindings(frmTerminal& window) : w_(window) {}

    // What a received byte does to the window.
    void Take(const Effect& effect) override { w_.ApplyEffect(effect); }

    // The terminal pane.
    std::size_t Length() const override { return w_.txtTerm.text().size(); }
    void Append(std::string_view text) override;
    void CutFront(std::size_t count) override { w_.txtTerm.CutFront(count); }
    void Clear() override { w_.txtTerm.SetText(""); }

    // The job frames and the settings panel. Only a plain tick makes the starts use the list.
    bool ListChecked() const override { return w_.Check4.value() == 1; }
    // The job walks the list while "Check4" is ticked; a grey tick counts.
    bool ListWalked() const override { return w_.Check4.value() != 0; }
    const std::vector<std::string>& ListItems() const override { return w_.List1.items(); }
    std::string StartText(Frame frame) const override { return StartBox(frame).text(); }
    std::string EndText(Frame frame) const override { return EndBox(frame).text(); }
    void SetStartText(Frame frame, std::string text) override;
    void SetEndText(Frame frame, std::string text) override;
    bool FirstObjectOnly(Frame frame) const override;
    bool ClearChosen() const override { return w_.chClear.value() != 0; }
    void ClearLog() override { w_.log.Clear(); }
    void ShowObject(Number object) override;
    void Refuse(const std::string& reason) override;
    SettingsInput PanelSettings() const override;

  private:
    Control& StartBox(Frame frame) const { return frame == Frame::Read ? w_.Text1 : w_.Text3; }
    Control& EndBox(Frame frame) const { return frame == Frame::Read ? w_.Text2 : w_.Text4; }

    frmTerminal& w_;
};

}  // namespace zelmar
