#include "dialogue/settings_codec.h"

#include <algorithm>

#include "numbers/numbers.h"

namespace zelmar {

namespace {

bool IsDelayChoice(int index) {
    return index >= 0 && index < kDelayChoices;
}

SettingsEncoding Refuse(std::string reason) {
    return {std::nullopt, std::move(reason)};
}

}  // namespace

SettingsView DecodeSettingsEntries(const ObjectTable& table) {
    SettingsView view;
    const int timing = table[kTimingObject];
    view.packetTime = std::to_string(timing % 32);
    view.sendDelayIndex = timing / 32;
    view.repeatDelayIndex = table[kRepeatDelayObject];
    view.timingKnown = table.Known(kTimingObject);
    view.repeatDelayKnown = table.Known(kRepeatDelayObject);
    for (int n = 1; n <= kRepeaterCount; ++n) {
        view.repeaters[n - 1] = std::to_string(table[RepeaterObject(n)]);
        view.repeaterKnown[n - 1] = table.Known(RepeaterObject(n));
    }
    return view;
}

SettingsEncoding EncodeSettingsEntries(const SettingsInput& input) {
    SettingsEntries entries;
    const auto blank = [](std::string_view text) {
        return text.find_first_not_of(' ') == std::string_view::npos;
    };
    // Nothing was read or loaded yet: naming one field would send the technician the wrong way.
    if (input.sendDelayIndex < 0 && input.repeatDelayIndex < 0 && blank(input.packetTime) &&
        std::all_of(input.repeaters.begin(), input.repeaters.end(), blank))
        return Refuse(
            "The settings panel is empty: read the settings from the device or load a "
            "settings file first.");
    if (!IsDelayChoice(input.sendDelayIndex)) return Refuse("Choose a send delay.");
    // A box without a leading number means packet time 0. Anything that does not round to
    // 0..31 would spill into the send delay bits, so it is refused, not added.
    if (input.packetTime.find_first_not_of(' ') == std::string_view::npos)
        return Refuse("Packet time must be a number from 0 to 31.");
    const double packetTime = RoundHalfEven(NumberOfText(input.packetTime));
    if (!(packetTime >= 0 && packetTime <= kMaxPacketTime))
        return Refuse("Packet time must be a number from 0 to 31.");
    entries.timing =
        static_cast<std::uint8_t>(input.sendDelayIndex * 32 + static_cast<int>(packetTime));
    if (!IsDelayChoice(input.repeatDelayIndex)) return Refuse("Choose a repeat delay.");
    entries.repeatDelay = static_cast<std::uint8_t>(input.repeatDelayIndex);
    for (int n = 1; n <= kRepeaterCount; ++n) {
        // The tool tip's 0..7 is advice only; the entry is a whole byte.
        const StepResult<std::uint8_t> repeater = TryToByte(input.repeaters[n - 1]);
        if (!repeater.ok())
            return Refuse("Repeater R" + std::to_string(n) + " must be a number from 0 to 255.");
        entries.repeaters[n - 1] = repeater.value();
    }
    return {entries, {}};
}

void StoreSettingsEntries(const SettingsEntries& entries, ObjectTable& table) {
    table.Set(kTimingObject, entries.timing);
    table.Set(kRepeatDelayObject, entries.repeatDelay);
    for (int n = 1; n <= kRepeaterCount; ++n)
        table.Set(RepeaterObject(n), entries.repeaters[n - 1]);
}

}  // namespace zelmar
