#include "controls/control.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "numbers/numbers.h"

namespace zelmar {

namespace {

bool Overlap(const Twips& a, const Twips& b) {
    return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
           b.top < a.top + a.height;
}

// Sorted lists order their items by text, letters compared without regard to case.
bool ItemLess(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) <
               std::tolower(static_cast<unsigned char>(y));
    });
}

}  // namespace

Control::Control(ControlDefinition definition, Control* container, ControlModel& model)
    : def_(std::move(definition)), container_(container), model_(model) {
    // Of two overlapping controls of one container, the one created first lies above.
    if (container_) container_->children_.insert(container_->children_.begin(), this);
    if (def_.sorted) std::stable_sort(def_.items.begin(), def_.items.end(), ItemLess);
}

void Control::Move(double left, double top) {
    def_.rect.left = left;
    def_.rect.top = top;
    Notify(Property::Position);
}

void Control::BringToFront() {
    // Already on top: nothing moves, and nothing needs drawing again. The engine lights a
    // lamp for every byte of a job, and a view must not repaint for each.
    if (!container_ || container_->children_.back() == this) return;
    auto& siblings = container_->children_;
    siblings.erase(std::find(siblings.begin(), siblings.end(), this));
    siblings.push_back(this);
    Notify(Property::Stacking);
}

bool Control::IsInFront() const {
    if (!container_) return true;
    const auto& siblings = container_->children_;
    auto it = std::find(siblings.begin(), siblings.end(), this);
    return std::none_of(std::next(it), siblings.end(),
                        [this](const Control* above) { return Overlap(above->rect(), rect()); });
}

void Control::SetCaption(std::string caption) {
    if (caption == def_.text) return;
    def_.text = std::move(caption);
    Notify(Property::Caption);
}

void Control::SetText(std::string text) {
    if (text == def_.text) return;
    def_.text = std::move(text);
    selStart_ = 0;
    selLength_ = 0;
    Replaced();
}

void Control::SetSelStart(std::size_t pos) {
    selStart_ = std::min(pos, def_.text.size());
    selLength_ = 0;
    Notify(Property::Selection);
}

void Control::SetSelLength(std::size_t length) {
    selLength_ = std::min(length, def_.text.size() - selStart_);
    Notify(Property::Selection);
}

void Control::SetSelText(std::string_view text) {
    const bool atEnd = selLength_ == 0 && selStart_ == def_.text.size();
    def_.text.replace(selStart_, selLength_, text);
    selStart_ += text.size();
    selLength_ = 0;
    if (!atEnd) {
        Replaced();
        return;
    }
    if (model_.observer) model_.observer->TextAppended(*this, text);
    if (onChange) onChange();
}

void Control::CutFront(std::size_t count) {
    count = std::min(count, def_.text.size());
    if (count == 0) return;
    def_.text.erase(0, count);
    const std::size_t end = selStart_ + selLength_;
    selStart_ -= std::min(selStart_, count);
    selLength_ = end - std::min(end, count) - selStart_;
    if (model_.observer) model_.observer->TextCutFront(*this, count);
    if (onChange) onChange();
}

void Control::Replaced() {
    if (model_.observer) model_.observer->TextReplaced(*this);
    if (onChange) onChange();
}

void Control::SetValue(int value) {
    if (def_.kind == ControlKind::OptionButton) {
        value = value ? 1 : 0;
        if (value == def_.value) return;
        if (value && container_) {
            for (Control* sibling : container_->children_) {
                if (sibling != this && sibling->kind() == ControlKind::OptionButton &&
                    sibling->def_.value) {
                    sibling->def_.value = 0;
                    sibling->Notify(Property::Value);
                }
            }
        }
    } else {
        if (value < 0 || value > 2) throw StepError("Invalid property value");
        if (value == def_.value) return;
    }
    def_.value = value;
    Notify(Property::Value);
    if (onClick && (value || def_.kind != ControlKind::OptionButton)) onClick();
}

void Control::SetEnabled(bool enabled) {
    if (enabled == def_.enabled) return;
    def_.enabled = enabled;
    Notify(Property::Enabled);
}

void Control::SetForeColor(std::uint32_t color) {
    foreColor_ = color;
    Notify(Property::ForeColor);
}

void Control::AddItem(std::string item) {
    auto& items = def_.items;
    auto at =
        def_.sorted ? std::upper_bound(items.begin(), items.end(), item, ItemLess) : items.end();
    const int position = static_cast<int>(at - items.begin());
    items.insert(at, std::move(item));
    if (listIndex_ >= position) ++listIndex_;
    Notify(Property::Items);
}

void Control::SetItems(std::vector<std::string> items) {
    // A stable sort keeps equal texts in the order given, as inserting each behind its equals
    // does.
    if (def_.sorted) std::stable_sort(items.begin(), items.end(), ItemLess);
    def_.items = std::move(items);
    listIndex_ = -1;
    Notify(Property::Items);
    if (def_.kind == ControlKind::ComboBox && !def_.text.empty()) {
        def_.text.clear();
        selStart_ = selLength_ = 0;
        Replaced();
    }
}

void Control::Clear() {
    SetItems({});
}

void Control::SetListIndex(int index) {
    if (index < -1 || index >= static_cast<int>(def_.items.size()))
        throw StepError("Invalid property value");
    listIndex_ = index;
    Notify(Property::ListIndex);
    if (def_.kind == ControlKind::ComboBox) {
        const std::string text = index < 0 ? std::string() : def_.items[index];
        if (text != def_.text) {
            selStart_ = selLength_ = 0;
            def_.text = text;
            Notify(Property::Text);
        }
    }
}

void Control::UserClick() {
    if (!def_.enabled) return;
    switch (def_.kind) {
        case ControlKind::CheckBox:
            SetValue(def_.value == 1 ? 0 : 1);
            break;
        case ControlKind::OptionButton:
            SetValue(1);
            break;
        default:
            if (onClick) onClick();
    }
}

void Control::UserEdit(std::string text) {
    if (text == def_.text) return;
    // The widget shows the text already; only what the handler changes goes back to it.
    def_.text = std::move(text);
    selStart_ = std::min(selStart_, def_.text.size());
    selLength_ = 0;
    // A typed text is no choice from the list, even when it reads like one.
    if (def_.kind == ControlKind::ComboBox && listIndex_ != -1) {
        listIndex_ = -1;
        Notify(Property::ListIndex);
    }
    if (onChange) onChange();
}

void Control::UserLeave() {
    if (onValidate) onValidate();
}

void Control::Notify(Property property) {
    if (model_.observer) model_.observer->PropertyChanged(*this, property);
}

ControlModel::ControlModel(const std::vector<ControlDefinition>& definitions) {
    for (const ControlDefinition& definition : definitions) {
        Control* container = definition.container.empty() ? nullptr : &Get(definition.container);
        controls_.push_back(std::make_unique<Control>(definition, container, *this));
    }
}

Control& ControlModel::Get(std::string_view name, int index) {
    for (const auto& control : controls_)
        if (control->name() == name && control->index() == index) return *control;
    throw std::logic_error("no control " + std::string(name));
}

ControlArray::ControlArray(ControlModel& model, std::string_view name) {
    for (const auto& control : model.all())
        if (control->name() == name) members_.push_back(control.get());
}

Control& ControlArray::operator()(int index) const {
    for (Control* member : members_)
        if (member->index() == index) return *member;
    throw StepError("Control array element '" + std::to_string(index) + "' doesn't exist");
}

}  // namespace zelmar
