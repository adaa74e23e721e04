// Kept settings read back by the rules a typed one meets: each taken, or kept at its default and
// said.
#include "tune/TuneSettings.h"

#include <gtest/gtest.h>

#include <map>

TEST(TuneSettings, eachKeptSettingIsTakenAsTypedOrKeepsItsDefaultAndSaysWhy) {
    const struct {
        const char* key;
        std::string value;
        std::function<bool(const TuneSettings&)> taken;
        const char* note; // nullptr: taken without a word
    } cases[] = {
        {"apply-every", "30", [](const TuneSettings& s) { return s.applyEveryS == 30; }, nullptr},
        {"apply-every", "0", [](const TuneSettings& s) { return s.applyEveryS == 0; }, nullptr},
        {"apply-every", "99999999", [](const TuneSettings& s) { return s.applyEveryS == 0; },
         "apply-every takes off or whole seconds, 10 to 3600, not '99999999'"},
        {"target", "13.5", [](const TuneSettings& s) { return s.target == "13.5"; }, nullptr},
        {"target", std::string(4097, 'x'), [](const TuneSettings& s) { return s.target.empty(); },
         "Target takes an air/fuel ratio or a file name of at most 4096 characters"},
        {"target", "a\x1b]0;x\a", [](const TuneSettings& s) { return s.target.empty(); },
         "Target holds a control character"},
        {"lag", "60,250",
         [](const TuneSettings& s) { return !s.options.lagAuto && s.options.lag.flowMs == 250; },
         nullptr},
        {"min-hits", std::string(3000, '7'),
         [](const TuneSettings& s) { return s.options.minHits == 20; }, "...' (3000 characters)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.value.substr(0, 20));
        const SettingsRead read = ReadSettings([&c](const std::string& key) {
            return key == c.key ? std::optional(c.value) : std::nullopt;
        });
        EXPECT_TRUE(c.taken(read.settings));
        ASSERT_EQ(read.notes.size(), c.note ? 1u : 0u);
        if (c.note) {
            EXPECT_NE(read.notes[0].find(c.note), std::string::npos) << read.notes[0];
        }
    }
    TuneSettings set;
    set.applyEveryS = 45;
    set.target = "12.5";
    set.options.minTempF = std::nullopt;
    const auto texts = SettingTexts(set);
    const std::map<std::string, std::string> kept(texts.begin(), texts.end());
    const SettingsRead back =
        ReadSettings([&kept](const std::string& key) { return std::optional(kept.at(key)); });
    EXPECT_EQ(back.settings, set);
}
