// What saving needs from the operating system, one source file per platform.
#pragma once

#include "table/VetFile.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

// A file closed when it goes out of scope.
struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// "Cannot write PATH: <the system's words for errno>".
FileError ErrorFromErrno(const std::string& what, const std::string& path);

// What saving must know of an open file: whether it is a plain file (a device is written in
// place), its permission bits, and the real path behind any symbolic link.
struct OpenFileFacts {
    bool regular = false;
    unsigned mode = 0;
    std::string target;
};
std::optional<OpenFileFacts> FactsOf(std::FILE* file, const std::string& path);

// The permission bits a new file gets.
unsigned NewFileMode();

// Writes content into a fresh file beside target, flushes it to the disk and renames it over
// target, so target is either its old self or wholly new. Sets noRoomBeside when no file can be
// made in that folder at all. path is the name the user gave, for the message.
std::optional<FileError> ReplaceWhole(const std::string& target, const std::string& path,
                                      const std::string& content, unsigned mode,
                                      bool* noRoomBeside = nullptr);
