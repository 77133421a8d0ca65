// The settings panel against the settings entries of the image: filled at the end of every
// job, read when the settings are written.
#include "dialogue/settings_codec.h"
#include "window/frm_terminal.h"

namespace zelmar {

void frmTerminal::DecodeSettings() {
    const SettingsView view = DecodeSettingsEntries(state.ObjectData);
    Guarded([&] { Text_Pac_Time.SetText(view.packetTime); });
    Guarded([&] { Combo1.SetListIndex(view.sendDelayIndex); });
    // A repeat delay above 7 has no choice in the list: reported, and the repeaters still shown.
    Guarded([&] { Combo2.SetListIndex(view.repeatDelayIndex); });
    for (int n = 1; n <= kRepeaterCount; ++n)
        Guarded([&] { Text_R(n).SetText(view.repeaters[n - 1]); });
}

bool frmTerminal::EncodeSettings(std::string& refusal) {
    SettingsInput input;
    input.sendDelayIndex = Combo1.listIndex();
    input.packetTime = Text_Pac_Time.text();
    input.repeatDelayIndex = Combo2.listIndex();
    for (int n = 1; n <= kRepeaterCount; ++n) input.repeaters[n - 1] = Text_R(n).text();
    SettingsEncoding encoding = EncodeSettingsEntries(input);
    if (!encoding.entries) {
        refusal = std::move(encoding.refusal);
        return false;
    }
    StoreSettingsEntries(*encoding.entries, state.ObjectData);
    refusal.clear();
    return true;
}

}  // namespace zelmar
