// Names of files the programs make for the user: stamped with the local time, never replacing
// one already there.
#pragma once

#include <ctime>
#include <functional>
#include <string>

// "2026-12-07_20.31.05": sorts by time and holds no character any file system refuses.
std::string FileStamp(const std::tm& local);

// The local time now.
std::tm LocalNow();

// stem + extension, or with "_2", "_3" ... before the extension when that is taken: a second
// file in the same second never replaces the first.
std::string UnusedPath(const std::string& stem, const std::string& extension,
                       const std::function<bool(const std::string&)>& taken);
