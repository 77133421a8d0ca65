// The "Objects num." button: a list file chosen in the open dialog replaces the object list
// that the list jobs step through.
#include "files/list_file.h"
#include "form/frm_terminal.h"

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
    std::vector<std::string> items;
    try {
        items = ReadObjectList(fileInput_, *path);
    } catch (const ListFileError& refusal) {
        ShowMessage(refusal.what(), MessageIcon::Exclamation);
        return;  // the list stays as it was
    }
    // In one piece: an item at a time costs a sorted insert and a redraw of the list each.
    List1.SetItems(std::move(items));
}

}  // namespace zelmar
