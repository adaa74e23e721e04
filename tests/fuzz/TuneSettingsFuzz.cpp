// The live tuning's kept settings, as a settings file holds them: one "key=value" a line. Whatever
// they say, what is taken is what the window would take typed, and each refusal is said.
#include "FuzzCheck.h"
#include "tune/TuneSettings.h"

#include <map>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::map<std::string, std::string> kept;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const std::string_view line = text.substr(at, end - at);
        const std::size_t equals = line.find('=');
        if (equals != std::string_view::npos) {
            kept[std::string(line.substr(0, equals))] = std::string(line.substr(equals + 1));
        }
        at = end + 1;
    }
    const SettingsRead read = ReadSettings([&kept](const std::string& key) {
        const auto found = kept.find(key);
        return found == kept.end() ? std::nullopt : std::optional(found->second);
    });
    const TuneSettings& s = read.settings;
    FUZZ_REQUIRE(s.applyEveryS == 0 ||
                 (s.applyEveryS >= kLeastApplyEveryS && s.applyEveryS <= kMostApplyEveryS));
    FUZZ_REQUIRE(!TargetTextFault(s.target));
    FUZZ_REQUIRE(s.options.minHits >= 1 && s.options.maxChangePercent > 0);
    FUZZ_REQUIRE(s.options.lag.ms >= 0 && s.options.lag.ms <= kLongestDelayMs);
    // What is kept reads back as itself.
    std::map<std::string, std::string> again;
    for (const auto& [key, value] : SettingTexts(s)) {
        again[key] = value;
    }
    const SettingsRead back =
        ReadSettings([&again](const std::string& key) { return std::optional(again.at(key)); });
    FUZZ_REQUIRE(back.settings == s && back.notes.empty());
    return 0;
}
