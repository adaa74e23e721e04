// Text files written whole: each replaces its old self only once it is complete, and a set of
// them is written as one.
#pragma once

#include "common/File.h"

#include <string>
#include <variant>
#include <vector>

// A plain file, new or old, is replaced whole, so a failed write leaves the old one; a device or
// pipe is written as it is.
std::variant<std::monostate, FileError> WriteTextFile(const std::string& path,
                                                      const std::string& text);

// Several files as one: each plain file is written beside its target first, and only when all
// are whole does any replace its target, so a failure leaves every old file as it was.
struct TextFileWrite {
    std::string path;
    std::string text;
};
std::variant<std::monostate, FileError> WriteTextFiles(const std::vector<TextFileWrite>& files);
