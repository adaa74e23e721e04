// The live tuning's settings as a tuner sets them, and as they are kept between runs: each read
// back from its text by the same rules as when it is typed.
#pragma once

#include "tune/TuneOptions.h"

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct TuneSettings {
    TuneOptions options;
    std::string target;  // as tvxctl analyze --target takes it; empty: the default
    int applyEveryS = 0; // the hands-free apply; 0: off
    bool operator==(const TuneSettings&) const = default;
};

// The hands-free apply is never more often than the first, nor rarer than the second.
inline constexpr int kLeastApplyEveryS = 10;
inline constexpr int kMostApplyEveryS = 3600;
// "off" (0) or whole seconds within those bounds; nullopt when it is neither.
std::optional<int> ApplyEveryOf(const std::string& text);
inline constexpr const char* kApplyEveryWhat = "off or whole seconds, 10 to 3600";

// The target as the Tuning window names it; a longer text is no AFR and no file name.
inline constexpr const char* kTargetField = "Target";
inline constexpr std::size_t kLongestTargetText = 4096;
// Why a target's text cannot be one, before it is read: too long, or holding a control character.
std::optional<std::string> TargetTextFault(const std::string& text);

// Each setting's key and text, as they are kept.
std::vector<std::pair<std::string, std::string>> SettingTexts(const TuneSettings& settings);

struct SettingsRead {
    TuneSettings settings;
    std::vector<std::string> notes; // each setting that keeps its default, and why
};
// The settings from their kept texts; `text(key)` gives one, or nothing when it was not kept.
SettingsRead
ReadSettings(const std::function<std::optional<std::string>(const std::string&)>& text);
