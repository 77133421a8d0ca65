// The toolkit's event rules, as the handlers rely on them.
#include "controls/control.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "numbers/numbers.h"

namespace zelmar {
namespace {

ControlDefinition Def(std::string name, ControlKind kind, std::string container, int index = -1,
                      Twips rect = {0, 0, 100, 100}) {
    ControlDefinition d;
    d.name = std::move(name);
    d.kind = kind;
    d.container = std::move(container);
    d.index = index;
    d.rect = rect;
    return d;
}

// Records what a view would be told.
struct Recorder : ControlObserver {
    // "Box+text" appended, "Box-4" cut at the front, "Box=" replaced.
    void TextAppended(const Control& c, std::string_view appended) override {
        texts.push_back(c.name() + "+" + std::string(appended));
    }
    void TextCutFront(const Control& c, std::size_t count) override {
        texts.push_back(c.name() + "-" + std::to_string(count));
    }
    void TextReplaced(const Control& c) override { texts.push_back(c.name() + "="); }
    void PropertyChanged(const Control& c, Property p) override {
        changes.emplace_back(c.name(), p);
    }
    std::vector<std::string> texts;
    std::vector<std::pair<std::string, Property>> changes;
};

class ControlTest : public ::testing::Test {
  protected:
    ControlTest()
        : model({Def("Form", ControlKind::Form, ""), Def("FrameA", ControlKind::Frame, "Form"),
                 Def("FrameB", ControlKind::Frame, "Form", -1, {500, 0, 100, 100}),
                 Def("Opt", ControlKind::OptionButton, "FrameA", 1),
                 Def("Opt", ControlKind::OptionButton, "FrameA", 2),
                 Def("Other", ControlKind::OptionButton, "FrameB", 1),
                 Def("Box", ControlKind::TextBox, "Form"),
                 Def("Check", ControlKind::CheckBox, "Form"),
                 Def("Top", ControlKind::Image, "FrameA", 0, {200, 200, 50, 50}),
                 Def("Bottom", ControlKind::Image, "FrameA", 1, {200, 200, 50, 50}),
                 [] {
                     auto d = Def("List", ControlKind::ListBox, "Form");
                     d.sorted = true;
                     d.items = {"8176", "0", "8191"};
                     return d;
                 }(),
                 [] {
                     auto d = Def("Combo", ControlKind::ComboBox, "Form");
                     d.items = {"a", "b"};
                     return d;
                 }()}),
          options(model, "Opt") {
        model.observer = &recorder;
    }
    ControlModel model;
    ControlArray options;
    Recorder recorder;
};

TEST_F(ControlTest, SettingATextRunsTheChangeHandlerNestedAndOnlyOnAChange) {
    Control& box = model.Get("Box");
    std::vector<std::string> seen;
    box.onChange = [&] {
        seen.push_back(box.text());
        if (box.text() == "bad") box.SetText("");  // nested: runs the handler again at once
    };
    box.SetText("bad");
    box.SetText("");  // no change, no handler
    EXPECT_EQ(seen, (std::vector<std::string>{"bad", ""}));
    EXPECT_EQ(box.text(), "");
}

TEST_F(ControlTest, TextChangesReachTheViewAsWhatWasDone) {
    Control& box = model.Get("Box");
    int handled = 0;
    box.onChange = [&] { ++handled; };
    box.SetText("abcdef");
    box.SetSelStart(6);
    box.SetSelText("gh");  // an append: empty selection at the end
    box.SetSelStart(2);
    box.SetSelText("X");  // an insertion before the end
    box.SetSelStart(0);
    box.SetSelLength(9);
    box.SetSelText("");  // a selection ending at the end
    box.SetText("abcdefabc");
    box.CutFront(6);   // the text's start shows again past the cut: still a cut
    box.CutFront(0);   // nothing goes: no report, no handler
    box.CutFront(99);  // everything goes
    box.CutFront(1);
    EXPECT_EQ(recorder.texts, (std::vector<std::string>{"Box=", "Box+gh",
                                                        "Box=", "Box=", "Box=", "Box-6", "Box-3"}));
    EXPECT_EQ(handled, 7);
    EXPECT_EQ(box.text(), "");
    Control& combo = model.Get("Combo");
    combo.SetText("a");
    recorder.texts.clear();
    combo.Clear();
    EXPECT_EQ(recorder.texts, std::vector<std::string>{"Combo="});
}

TEST_F(ControlTest, CuttingTheFrontKeepsTheSelectionOnItsCharacters) {
    // {selStart, selLength} before and after cutting 4 characters off "0123456789".
    const std::vector<std::array<std::size_t, 4>> cases{
        {6, 2, 2, 2}, {4, 3, 0, 3}, {2, 5, 0, 3}, {1, 2, 0, 0}, {10, 0, 6, 0}};
    Control& box = model.Get("Box");
    for (const auto& [start, length, newStart, newLength] : cases) {
        box.SetText("0123456789");
        box.SetSelStart(start);
        box.SetSelLength(length);
        box.CutFront(4);
        EXPECT_EQ(box.text(), "456789");
        EXPECT_EQ(std::pair(box.selStart(), box.selLength()), std::pair(newStart, newLength))
            << start << "+" << length;
    }
}

TEST_F(ControlTest, SelTextReplacesTheSelectionAndPutsTheCaretAfterIt) {
    Control& box = model.Get("Box");
    box.SetText("hello world");
    box.SetSelStart(6);
    box.SetSelLength(5);
    box.SetSelText("there");
    EXPECT_EQ(box.text(), "hello there");
    EXPECT_EQ(box.selStart(), 11u);
    box.SetSelStart(99);  // past the end: the caret stops at the end
    EXPECT_EQ(box.selStart(), 11u);
}

TEST_F(ControlTest, OptionButtonsAreExclusivePerContainerAndClickOnlyOnAChange) {
    int clicks1 = 0, clicks2 = 0, otherClicks = 0;
    options(1).onClick = [&] { ++clicks1; };
    options(2).onClick = [&] { ++clicks2; };
    model.Get("Other", 1).onClick = [&] { ++otherClicks; };

    options(1).SetValue(1);
    options(1).SetValue(1);  // already selected: nothing
    options(1).UserClick();  // a user's click on the selected option: nothing either
    model.Get("Other", 1).SetValue(1);
    options(2).SetValue(1);

    EXPECT_EQ(clicks1, 1);
    EXPECT_EQ(clicks2, 1);
    EXPECT_EQ(otherClicks, 1);
    EXPECT_EQ(options(1).value(), 0);
    EXPECT_EQ(options(2).value(), 1);
    EXPECT_EQ(model.Get("Other", 1).value(), 1) << "another frame's group is left alone";
}

TEST_F(ControlTest, CheckBoxClickRunsOnEveryChangeOfItsValue) {
    Control& check = model.Get("Check");
    std::vector<int> seen;
    check.onClick = [&] { seen.push_back(check.value()); };
    check.SetValue(1);
    check.SetValue(1);
    check.UserClick();
    check.SetValue(2);
    check.UserClick();  // a greyed box becomes checked, as the toolkit's own does
    EXPECT_EQ(seen, (std::vector<int>{1, 0, 2, 1}));
    EXPECT_THROW(check.SetValue(3), StepError);
}

TEST_F(ControlTest, DisabledControlsIgnoreTheUser) {
    Control& check = model.Get("Check");
    check.SetEnabled(false);
    check.UserClick();
    EXPECT_EQ(check.value(), 0);
}

TEST_F(ControlTest, ControlArrayRefusesAMissingIndex) {
    EXPECT_EQ(&options(2), &model.Get("Opt", 2));
    EXPECT_THROW(options(3), StepError);
    EXPECT_THROW(options(0), StepError);
}

TEST_F(ControlTest, EarlierControlsLieAboveUntilOneIsBroughtToTheFront) {
    Control& top = model.Get("Top", 0);
    Control& bottom = model.Get("Bottom", 1);
    EXPECT_TRUE(top.IsInFront());
    EXPECT_FALSE(bottom.IsInFront());
    bottom.BringToFront();
    EXPECT_TRUE(bottom.IsInFront());
    recorder.changes.clear();
    bottom.BringToFront();  // already on top: no change to show
    EXPECT_TRUE(recorder.changes.empty());
    EXPECT_FALSE(top.IsInFront());
    EXPECT_TRUE(model.Get("FrameB").IsInFront()) << "controls that do not overlap are both seen";
}

struct SortCase {
    const char* added;
    std::vector<std::string> expected;
    friend std::ostream& operator<<(std::ostream& out, const SortCase& c) { return out << c.added; }
};
class SortedListTest : public ControlTest, public ::testing::WithParamInterface<SortCase> {};
TEST_P(SortedListTest, ItemsGoToTheirPlaceByText) {
    Control& list = model.Get("List");
    list.AddItem(GetParam().added);
    EXPECT_EQ(list.items(), GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(Lists, SortedListTest,
                         ::testing::Values(SortCase{"100", {"0", "100", "8176", "8191"}},
                                           SortCase{"9", {"0", "8176", "8191", "9"}},
                                           SortCase{"8176", {"0", "8176", "8176", "8191"}}));

TEST_F(ControlTest, SetItemsOrdersAsAddingEachWouldAndTellsOnce) {
    Control& list = model.Get("List");
    list.SetListIndex(1);
    recorder.changes.clear();
    list.SetItems({"b", "A", "10", "a", "B", "9"});
    EXPECT_EQ(list.items(), (std::vector<std::string>{"10", "9", "A", "a", "b", "B"}));
    EXPECT_EQ(list.listIndex(), -1);
    EXPECT_EQ(recorder.changes, (decltype(recorder.changes){{"List", Property::Items}}));
}

TEST_F(ControlTest, ComboSelectionByIndex) {
    Control& combo = model.Get("Combo");
    combo.SetListIndex(1);
    EXPECT_EQ(combo.text(), "b");
    EXPECT_THROW(combo.SetListIndex(2), StepError);
    EXPECT_EQ(combo.listIndex(), 1) << "a refused index keeps the selection";
    combo.SetListIndex(-1);
    EXPECT_EQ(combo.text(), "");
    combo.SetListIndex(0);
    combo.UserEdit("b");  // typed, not chosen
    EXPECT_EQ(combo.listIndex(), -1);
    EXPECT_EQ(combo.text(), "b");
}

}  // namespace
}  // namespace zelmar
