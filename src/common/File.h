// A C stream closed when it goes out of scope.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Why a file could not be read or written, in words that name it.
struct FileError {
    std::string reason;
};
