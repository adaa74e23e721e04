#include "table/VetFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

FileError ErrorFromErrno(const std::string& what, const std::string& path) {
    return FileError{what + " " + path + ": " + std::strerror(errno)};
}

} // namespace

std::variant<VetCells, FileError> ReadVetFile(const std::string& path) {
    errno = 0;
    File file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        return ErrorFromErrno("Cannot open", path);
    }
    VetCells cells{};
    const std::size_t got = std::fread(cells.data(), 1, cells.size(), file.get());
    if (got == cells.size()) {
        return cells;
    }
    if (std::ferror(file.get())) {
        return ErrorFromErrno("Cannot read", path);
    }
    return FileError{"Not a table file, " + path + " holds " + std::to_string(got) + " of " +
                     std::to_string(kVetFileBytes) + " bytes"};
}

std::variant<std::monostate, FileError> WriteVetFile(const std::string& path,
                                                     const VetCells& cells) {
    errno = 0;
    // "r+b" keeps an older file's tail; only a missing file is created, so nothing is truncated.
    File file(std::fopen(path.c_str(), "r+b"));
    if (!file && errno == ENOENT) {
        file.reset(std::fopen(path.c_str(), "w+b"));
    }
    if (!file) {
        return ErrorFromErrno("Cannot write", path);
    }
    const std::size_t put = std::fwrite(cells.data(), 1, cells.size(), file.get());
    if (put != cells.size() || std::fflush(file.get()) != 0) {
        return ErrorFromErrno("Cannot write", path);
    }
    std::FILE* raw = file.release();
    if (std::fclose(raw) != 0) {
        return ErrorFromErrno("Cannot write", path);
    }
    return std::monostate{};
}
