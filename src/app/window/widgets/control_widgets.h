#pragma once
// The widget that stands for each kind of control but the form, and how a control's own state
// shows on it. What the user does on a widget goes into the model, and the model decides what
// the widget shows: a widget keeps no state of its own.
#include <QWidget>

#include "controls/control.h"

namespace zelmar {

// Whether the control is the terminal pane, the one multi-line text box.
bool IsPane(const Control& control);

// A new widget for `control`, which is not the form, under `parent`, named after the control.
// When the focus leaves a one-line text box, `focusWatch`'s event filter hears of it.
QWidget* CreateControlWidget(Control& control, QWidget* parent, QObject* focusWatch);

// Each shows one of the control's properties on `widget`, made for it by CreateControlWidget();
// a widget of a kind without the property is left alone.
void ApplyText(const Control& control, QWidget* widget);
void ApplySelection(const Control& control, QWidget* widget);
void ApplyValue(const Control& control, QWidget* widget);
void ApplyListIndex(const Control& control, QWidget* widget);
void ApplyForeColor(const Control& control, QWidget* widget);

}  // namespace zelmar
