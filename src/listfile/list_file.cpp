// Loading the object list from a text file of object numbers (".onf").
#include "window/frm_terminal.h"

namespace zelmar {

namespace {
constexpr int kHideReadOnly = 4;  // the open dialog's flag that hides the read-only box
constexpr int kOnfFilter = 2;     // open on the ".onf" entry of the filter
}  // namespace

void frmTerminal::Command1_Click() {
    CommonDialog1.cancelError = true;
    CommonDialog1.flags = kHideReadOnly;
    CommonDialog1.filter = "All Files (*.*)|*.*|Objekts Number Files (*.onf)|*.onf";
    CommonDialog1.filterIndex = kOnfFilter;
    const std::optional<std::string> path = fileDialog_.ShowOpen(CommonDialog1);
    if (!path) return;  // cancelled: the list stays as it was

    try {
        fileInput_.Open(*path);
    } catch (const StepError&) {
        return;  // nothing was read, nothing changes
    }
    List1.Clear();
    try {
        while (!fileInput_.AtEnd()) {
            const std::string field = fileInput_.ReadField();
            if (!IsNumber(field)) continue;
            const double number = NumberValue(field);
            // Only ordinary objects: object 0 and the settings objects are not loaded.
            if (number > 0 && number < 8176) List1.AddItem(NumberText(number));
        }
    } catch (const StepError&) {
        // A field that cannot be read ends the load with what was read before it.
    }
    // Closed on every path, so that a failed read never blocks the next load.
    fileInput_.Close();
}

}  // namespace zelmar
