// Names of files the programs make for the user: stamped with the local time, never replacing
// one already there.
#pragma once

#include <chrono>
#include <cstddef>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// "2026-12-07_20.31.05": sorts by time and holds no character any file system refuses.
std::string FileStamp(const std::tm& local);
inline constexpr std::size_t kFileStampLength = 19;

// The local time a stamp names, read back; nothing when the text is no stamp or no real time.
std::optional<std::chrono::local_seconds> StampTime(std::string_view stamp);
std::chrono::local_seconds LocalSeconds(const std::tm& local);

// The local time now.
std::tm LocalNow();

// stem + extension, or with "_2", "_3" ... before the extension when that is taken: a second
// file in the same second never replaces the first.
std::string UnusedPath(const std::string& stem, const std::string& extension,
                       const std::function<bool(const std::string&)>& taken);
