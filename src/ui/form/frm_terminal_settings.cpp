// The settings panel, filled from the settings entries of the image at the end of every job.
#include "dialogue/settings_codec.h"
#include "form/frm_terminal.h"

namespace zelmar {

void frmTerminal::DecodeSettings() {
    DecodeSettings(line.table());
}

void frmTerminal::DecodeSettings(const ObjectTable& table) {
    // Only what the image knows: a read that read nothing leaves the panel as it was, rather
    // than showing the image's blanks as if the device held them.
    const SettingsView view = DecodeSettingsEntries(table);
    if (view.timingKnown) {
        Guarded([&] { Text_Pac_Time.SetText(view.packetTime); });
        Guarded([&] { Combo1.SetListIndex(view.sendDelayIndex); });
    }
    // A repeat delay above 7 has no choice in the list: reported, and the repeaters still shown.
    if (view.repeatDelayKnown) Guarded([&] { Combo2.SetListIndex(view.repeatDelayIndex); });
    for (int n = 1; n <= kRepeaterCount; ++n)
        if (view.repeaterKnown[n - 1]) Guarded([&] { Text_R(n).SetText(view.repeaters[n - 1]); });
}

}  // namespace zelmar
