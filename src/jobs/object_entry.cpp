// The object number boxes: while the technician types, a box holds nothing or a number from
// 0 to 8191; a box left empty becomes "1"; "First Object" switches the end box off.
#include "window/frm_terminal.h"

namespace zelmar {

void frmTerminal::ObjectBox_Change(Control& box) {
    const std::string text = box.text();
    if (IsNumber(text)) {
        const double value = NumberValue(text);
        if (value > 8191 || value < 0) box.SetText("1");
    } else {
        box.SetText("");  // the whole text goes, not only the last character typed
    }
    box.SetSelStart(box.text().size());
}

void frmTerminal::ObjectBox_Validate(Control& box) {
    if (box.text().empty()) box.SetText("1");
}

void frmTerminal::FirstObject_Click(Control& check, Control& endBox) {
    if (check.value() != 0) {
        endBox.SetText("");
        endBox.SetEnabled(false);
    } else {
        endBox.SetText("1");
        endBox.SetEnabled(true);
    }
}

}  // namespace zelmar
