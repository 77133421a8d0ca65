#pragma once
// The window's controls as plain data with the toolkit's event rules: setting a text runs the
// change handler at once, nested; changing a check box's value or an option button's selection
// runs the click handler; selecting an option that is already selected runs nothing. A view
// renders the controls and feeds the user's input back through the same operations.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelmar {

enum class ControlKind {
    Form,
    Frame,
    Label,
    TextBox,
    ComboBox,
    ListBox,
    CheckBox,
    OptionButton,
    CommandButton,
    Image,
};

enum class Picture { None, YellowLamp, GreenLamp, RedLamp, SilverLamp };

// Positions and sizes in twips, relative to the container's client area.
struct Twips {
    double left = 0;
    double top = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const Twips&, const Twips&) = default;
};

// Everything a control is created with.
struct ControlDefinition {
    std::string name;
    int index = -1;  // member index of a control array, -1 for a single control
    ControlKind kind = ControlKind::Label;
    std::string container;  // empty for the window itself
    std::string text;       // caption or text
    Twips rect;
    std::optional<int> tabIndex;
    bool enabled = true;
    int value = 0;  // check box: 0, 1 or 2; option button: 0 or 1
    std::string toolTip;
    int maxLength = 0;  // 0: no limit
    bool multiLine = false;
    bool sorted = false;
    bool stretch = false;
    bool autoSize = false;
    Picture picture = Picture::None;
    std::vector<std::string> items;
};

enum class Property {
    Caption,
    Text,
    Selection,
    Enabled,
    Value,
    ListIndex,
    Items,
    ForeColor,
    Stacking,
    Position
};

class Control;

// The view's side: told of every change so that it can update its widget and nothing more.
class ControlObserver {
  public:
    virtual ~ControlObserver() = default;
    // The three ways a text changes. A view that keeps a long text, as the terminal pane
    // does, applies the first two in place; they are told as what was done, never worked out
    // from the texts before and after, which can look alike in more than one way.
    // `appended` went onto the end; nothing before it changed.
    virtual void TextAppended(const Control& control, std::string_view appended) = 0;
    // The first `count` characters went; nothing after them changed.
    virtual void TextCutFront(const Control& control, std::size_t count) = 0;
    // Anything else: control.text() is to be taken as new.
    virtual void TextReplaced(const Control& control) = 0;
    virtual void PropertyChanged(const Control& control, Property property) = 0;
};

class ControlModel;

class Control {
  public:
    Control(ControlDefinition definition, Control* container, ControlModel& model);
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    // Fixed at creation.
    const std::string& name() const { return def_.name; }
    int index() const { return def_.index; }
    ControlKind kind() const { return def_.kind; }
    Control* container() const { return container_; }
    std::optional<int> tabIndex() const { return def_.tabIndex; }
    const std::string& toolTip() const { return def_.toolTip; }
    int maxLength() const { return def_.maxLength; }
    bool multiLine() const { return def_.multiLine; }
    bool sorted() const { return def_.sorted; }
    bool stretch() const { return def_.stretch; }
    bool autoSize() const { return def_.autoSize; }
    Picture picture() const { return def_.picture; }

    // Place and size; only the window itself moves.
    const Twips& rect() const { return def_.rect; }
    void Move(double left, double top);

    // Children in stacking order, the one at the bottom first.
    const std::vector<Control*>& children() const { return children_; }
    // Puts this control above every other control of its container.
    void BringToFront();
    // True when no later sibling covers this control's place.
    bool IsInFront() const;

    // Caption of frames, labels, check boxes, option and push buttons; no event.
    const std::string& caption() const { return def_.text; }
    void SetCaption(std::string caption);

    // Text of text boxes and combo boxes. A change runs the change handler at once.
    const std::string& text() const { return def_.text; }
    void SetText(std::string text);
    std::size_t selStart() const { return selStart_; }
    std::size_t selLength() const { return selLength_; }
    void SetSelStart(std::size_t pos);  // also empties the selection
    void SetSelLength(std::size_t length);
    void SetSelText(std::string_view text);  // replaces the selection, caret after it
    // Removes the first `count` characters, or all there are. The selection keeps to the
    // characters it covered, losing those that went; a change runs the change handler.
    void CutFront(std::size_t count);

    // Check box 0, 1 or 2; option button 0 or 1. A change runs the click handler.
    int value() const { return def_.value; }
    void SetValue(int value);

    bool enabled() const { return def_.enabled; }
    void SetEnabled(bool enabled);

    std::uint32_t foreColor() const { return foreColor_; }  // 0xBBGGRR
    void SetForeColor(std::uint32_t color);

    // Lists of combo boxes and list boxes. A sorted list puts an item in its place by text.
    const std::vector<std::string>& items() const { return def_.items; }
    void AddItem(std::string item);
    // All items at once, as Clear and AddItem for each would leave them, told to the view once.
    void SetItems(std::vector<std::string> items);
    void Clear();
    int listIndex() const { return listIndex_; }
    void SetListIndex(int index);  // throws StepError for an index that does not exist

    // The user's actions, as the view reports them.
    void UserClick();                 // push button, image, check box, option button
    void UserEdit(std::string text);  // typing or pasting into a text box
    void UserLeave();                 // the focus is about to leave

    // Handlers, wired by the window.
    std::function<void()> onClick;
    std::function<void()> onChange;
    std::function<void()> onValidate;

  private:
    void Replaced();
    void Notify(Property property);

    ControlDefinition def_;
    Control* container_;
    ControlModel& model_;
    std::vector<Control*> children_;
    std::size_t selStart_ = 0;
    std::size_t selLength_ = 0;
    int listIndex_ = -1;
    std::uint32_t foreColor_ = 0;
};

// Owns the controls of one window, in creation order.
class ControlModel {
  public:
    // The first definition is the window; every other names a container created before it.
    explicit ControlModel(const std::vector<ControlDefinition>& definitions);

    Control& Get(std::string_view name, int index = -1);
    const std::vector<std::unique_ptr<Control>>& all() const { return controls_; }

    ControlObserver* observer = nullptr;

  private:
    std::vector<std::unique_ptr<Control>> controls_;
};

// The members of a control array, addressed by index.
class ControlArray {
  public:
    ControlArray(ControlModel& model, std::string_view name);
    // Throws StepError when no member has this index.
    Control& operator()(int index) const;
    const std::vector<Control*>& members() const { return members_; }

  private:
    std::vector<Control*> members_;
};

}  // namespace zelmar
