#include "tune/TuneSettings.h"

#include "common/Numbers.h"
#include "tune/TuneOptionTexts.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr const char* kTargetKey = "target";
constexpr const char* kApplyEveryKey = "apply-every";

// An option's key as kept: its command-line name without the dashes.
std::string KeyOf(const TuneOptionText& option) {
    return std::string(option.name).substr(2);
}

} // namespace

std::optional<int> ApplyEveryOf(const std::string& text) {
    if (text == "off") {
        return 0;
    }
    const auto seconds = ParseNumber(text);
    if (!seconds || *seconds < kLeastApplyEveryS || *seconds > kMostApplyEveryS ||
        *seconds != std::floor(*seconds)) {
        return std::nullopt;
    }
    return static_cast<int>(*seconds);
}

std::optional<std::string> TargetTextFault(const std::string& text) {
    if (text.size() > kLongestTargetText) {
        return std::string(kTargetField) + " takes an air/fuel ratio or a file name of at most " +
               std::to_string(kLongestTargetText) + " characters, not one of " +
               std::to_string(text.size());
    }
    if (std::any_of(text.begin(), text.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; })) {
        return std::string(kTargetField) + " holds a control character";
    }
    return std::nullopt;
}

std::vector<std::pair<std::string, std::string>> SettingTexts(const TuneSettings& settings) {
    std::vector<std::pair<std::string, std::string>> texts;
    for (const TuneOptionText& option : TuneOptionTexts()) {
        texts.emplace_back(KeyOf(option), option.show(settings.options));
    }
    texts.emplace_back(kTargetKey, settings.target);
    texts.emplace_back(kApplyEveryKey,
                       settings.applyEveryS ? std::to_string(settings.applyEveryS) : "off");
    return texts;
}

SettingsRead
ReadSettings(const std::function<std::optional<std::string>(const std::string&)>& text) {
    SettingsRead read;
    // A setting is taken as typed would be; else it keeps its default, and that is said.
    const auto take =
        [&](const std::string& key,
            const std::function<std::optional<std::string>(const std::string&)>& apply) {
            if (const auto value = text(key)) {
                if (const auto why = apply(*value)) {
                    read.notes.push_back("Tuning setting " + key + ": " + *why +
                                         "; its default serves");
                }
            }
        };
    for (const TuneOptionText& option : TuneOptionTexts()) {
        take(KeyOf(option), [&](const std::string& value) {
            return option.take(value, read.settings.options)
                       ? std::nullopt
                       : std::optional(RefusalText(option.name, option.what, value));
        });
    }
    take(kTargetKey, [&](const std::string& value) {
        const auto why = TargetTextFault(value);
        read.settings.target = why ? "" : value;
        return why;
    });
    take(kApplyEveryKey, [&](const std::string& value) {
        const auto seconds = ApplyEveryOf(value == "0" ? "off" : value); // "0": as kept before
        read.settings.applyEveryS = seconds.value_or(0);
        return seconds ? std::nullopt
                       : std::optional(RefusalText(kApplyEveryKey, kApplyEveryWhat, value));
    });
    return read;
}
