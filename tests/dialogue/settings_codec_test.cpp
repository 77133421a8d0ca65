// The settings layout in the object table, without the window.
#include "dialogue/settings_codec.h"

#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <string>

namespace zelmar {
namespace {

struct DecodeCase {
    int timing, repeatDelay, repeater;
    std::string packetTime;
    int sendDelay;
};

class DecodeTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeTest, SplitsTimingAndShowsPlainDecimals) {
    const DecodeCase& c = GetParam();
    ObjectTable table;
    table.Set(kTimingObject, static_cast<std::uint8_t>(c.timing));
    table.Set(kRepeatDelayObject, static_cast<std::uint8_t>(c.repeatDelay));
    table.Set(RepeaterObject(3), static_cast<std::uint8_t>(c.repeater));
    const SettingsView view = DecodeSettingsEntries(table);
    EXPECT_EQ(view.packetTime, c.packetTime);
    EXPECT_EQ(view.sendDelayIndex, c.sendDelay);
    EXPECT_EQ(view.repeatDelayIndex, c.repeatDelay);
    EXPECT_EQ(view.repeaters[2], std::to_string(c.repeater));
    EXPECT_EQ(view.repeaters[0], "0");
}

INSTANTIATE_TEST_SUITE_P(Entries, DecodeTest,
                         ::testing::Values(DecodeCase{0, 0, 0, "0", 0},
                                           DecodeCase{255, 7, 200, "31", 7},
                                           DecodeCase{165, 8, 12, "5", 5},
                                           DecodeCase{32, 255, 255, "0", 1}));

SettingsInput ValidInput() {
    SettingsInput input;
    input.sendDelayIndex = 0;
    input.packetTime = "0";
    input.repeatDelayIndex = 0;
    input.repeaters.fill("0");
    return input;
}

struct EncodeCase {
    int sendDelay;
    std::string_view packetTime;
    std::string_view repeater;
    int timing, repeaterEntry;
};

class EncodeTest : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(EncodeTest, ComposesEntries) {
    const EncodeCase& c = GetParam();
    SettingsInput input = ValidInput();
    input.sendDelayIndex = c.sendDelay;
    input.packetTime = c.packetTime;
    input.repeaters[14] = c.repeater;
    const SettingsEncoding encoding = EncodeSettingsEntries(input);
    ASSERT_TRUE(encoding.entries) << encoding.refusal;
    EXPECT_EQ(encoding.entries->timing, c.timing);
    EXPECT_EQ(encoding.entries->repeaters[14], c.repeaterEntry);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, EncodeTest,
    ::testing::Values(EncodeCase{4, "7", "12", 135, 12}, EncodeCase{0, "0", "200", 0, 200},
                      EncodeCase{0, "12abc", "0", 12, 0}, EncodeCase{0, "2.5", "2.5", 2, 2},
                      EncodeCase{0, "3.5", "3.5", 4, 4}, EncodeCase{7, "31", "255", 255, 255},
                      EncodeCase{1, "abc", " 7 ", 32, 7}, EncodeCase{2, "  30.6", "0", 95, 0}));

struct RefusalCase {
    const char* what;
    void (*spoil)(SettingsInput&);
    std::string refusal;
};

class RefusalTest : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(RefusalTest, NamesTheField) {
    SettingsInput input = ValidInput();
    GetParam().spoil(input);
    const SettingsEncoding encoding = EncodeSettingsEntries(input);
    EXPECT_FALSE(encoding.entries);
    EXPECT_EQ(encoding.refusal, GetParam().refusal);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, RefusalTest,
    ::testing::Values(
        RefusalCase{"no send delay", [](SettingsInput& i) { i.sendDelayIndex = -1; },
                    "Choose a send delay."},
        RefusalCase{"an empty panel", [](SettingsInput& i) { i = SettingsInput{}; },
                    "The settings panel is empty: read the settings from the device or load a "
                    "settings file first."},
        // An empty box would send a packet time nobody chose.
        RefusalCase{"empty packet time", [](SettingsInput& i) { i.packetTime = " "; },
                    "Packet time must be a number from 0 to 31."},
        RefusalCase{"packet time 32", [](SettingsInput& i) { i.packetTime = "32"; },
                    "Packet time must be a number from 0 to 31."},
        RefusalCase{"packet time 31.5", [](SettingsInput& i) { i.packetTime = "31.5"; },
                    "Packet time must be a number from 0 to 31."},
        RefusalCase{"negative packet time", [](SettingsInput& i) { i.packetTime = "-1"; },
                    "Packet time must be a number from 0 to 31."},
        RefusalCase{"no repeat delay", [](SettingsInput& i) { i.repeatDelayIndex = -1; },
                    "Choose a repeat delay."},
        RefusalCase{"empty R1", [](SettingsInput& i) { i.repeaters[0] = ""; },
                    "Repeater R1 must be a number from 0 to 255."},
        RefusalCase{"R3 not a number", [](SettingsInput& i) { i.repeaters[2] = "12abc"; },
                    "Repeater R3 must be a number from 0 to 255."},
        RefusalCase{"R15 too big", [](SettingsInput& i) { i.repeaters[14] = "255.5"; },
                    "Repeater R15 must be a number from 0 to 255."}),
    [](const auto& info) {
        std::string name = info.param.what;
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        return name;
    });

TEST(SettingsRoundTrip, DecodeThenEncodeReproducesTheEntries) {
    std::mt19937 random(7);
    for (int run = 0; run < 50; ++run) {
        ObjectTable table;
        table.Set(kTimingObject, static_cast<std::uint8_t>(random() % 256));
        table.Set(kRepeatDelayObject, static_cast<std::uint8_t>(random() % kDelayChoices));
        for (int n = 1; n <= kRepeaterCount; ++n)
            table.Set(RepeaterObject(n), static_cast<std::uint8_t>(random() % 256));

        const SettingsView view = DecodeSettingsEntries(table);
        SettingsInput input;
        input.sendDelayIndex = view.sendDelayIndex;
        input.packetTime = view.packetTime;
        input.repeatDelayIndex = view.repeatDelayIndex;
        for (int n = 0; n < kRepeaterCount; ++n) input.repeaters[n] = view.repeaters[n];
        const SettingsEncoding encoding = EncodeSettingsEntries(input);
        ASSERT_TRUE(encoding.entries) << encoding.refusal;

        ObjectTable again;
        StoreSettingsEntries(*encoding.entries, again);
        EXPECT_EQ(again, table);
    }
}

}  // namespace
}  // namespace zelmar
