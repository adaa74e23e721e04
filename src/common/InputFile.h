// What the user names as input is read only when it is a plain file: a FIFO would block for ever,
// a device such as /dev/zero never ends, and a directory holds no text.
#pragma once

#include "common/File.h"

#include <string>
#include <variant>

// Opened for reading, or why not, naming the path: "Cannot open PATH: No such file or
// directory", "PATH is a FIFO, not a file".
std::variant<File, std::string> OpenInputFile(const std::string& path);
