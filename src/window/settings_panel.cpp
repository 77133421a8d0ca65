// The settings panel, filled from the settings entries of the image at the end of every job.
#include "dialogue/settings_codec.h"
#include "window/frm_terminal.h"

namespace zelmar {

void frmTerminal::DecodeSettings() {
    const SettingsView view = DecodeSettingsEntries(engine.table());
    Guarded([&] { Text_Pac_Time.SetText(view.packetTime); });
    Guarded([&] { Combo1.SetListIndex(view.sendDelayIndex); });
    // A repeat delay above 7 has no choice in the list: reported, and the repeaters still shown.
    Guarded([&] { Combo2.SetListIndex(view.repeatDelayIndex); });
    for (int n = 1; n <= kRepeaterCount; ++n)
        Guarded([&] { Text_R(n).SetText(view.repeaters[n - 1]); });
}

}  // namespace zelmar
