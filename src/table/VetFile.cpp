#include "table/VetFile.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

#include <sys/stat.h>
#include <unistd.h>

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

FileError ErrorFromErrno(const std::string& what, const std::string& path) {
    return FileError{what + " " + path + ": " + std::strerror(errno)};
}

mode_t CurrentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
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

namespace {

// Writes bytes 0 to 399 where the file is: the only way into a device such as /dev/full.
std::optional<FileError> WriteInPlace(std::FILE* file, const std::string& path,
                                      const VetCells& cells) {
    if (std::fwrite(cells.data(), 1, cells.size(), file) != cells.size() ||
        std::fflush(file) != 0) {
        return ErrorFromErrno("Cannot write", path);
    }
    return std::nullopt;
}

// Reads the rest of an open file, from where it stands.
bool ReadRest(std::FILE* file, std::string& out) {
    char buffer[65536];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
        out.append(buffer, got);
    }
    return std::ferror(file) == 0;
}

// The new content goes into a fresh file beside the old one, which it replaces only once it
// is whole: a disk filling up half way leaves the old table as it was.
// Sets noRoomBeside when no file can be made in that folder at all.
std::optional<FileError> ReplaceWhole(const std::string& target, const std::string& path,
                                      const std::string& content, mode_t mode,
                                      bool* noRoomBeside = nullptr) {
    std::string temporary = target + ".saving-XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        if (noRoomBeside) {
            *noRoomBeside = true;
        }
        return ErrorFromErrno("Cannot write", path);
    }
    bool ok = ::fchmod(fd, mode) == 0;
    for (std::size_t done = 0; ok && done < content.size();) {
        const ssize_t put = ::write(fd, content.data() + done, content.size() - done);
        ok = put > 0;
        done += ok ? static_cast<std::size_t>(put) : 0;
    }
    ok = ok && ::fsync(fd) == 0;
    const int saved = errno;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        errno = errno ? errno : saved;
        const FileError error = ErrorFromErrno("Cannot write", path);
        ::unlink(temporary.c_str());
        return error;
    }
    return std::nullopt;
}

} // namespace

std::variant<std::monostate, FileError> WriteVetFile(const std::string& path,
                                                     const VetCells& cells) {
    errno = 0;
    // Opening for update proves the file may be written (a read-only file is refused) and never
    // creates or truncates anything.
    File file(std::fopen(path.c_str(), "r+b"));
    if (!file && errno != ENOENT) {
        return ErrorFromErrno("Cannot write", path);
    }
    const std::string cellBytes(cells.begin(), cells.end());
    if (!file) {
        // A new file: created whole or not at all.
        const auto error = ReplaceWhole(path, path, cellBytes, 0666 & ~CurrentUmask());
        return error ? std::variant<std::monostate, FileError>(*error) : std::monostate{};
    }
    struct stat info {};
    if (::fstat(::fileno(file.get()), &info) != 0 || !S_ISREG(info.st_mode)) {
        const auto error = WriteInPlace(file.get(), path, cells);
        return error ? std::variant<std::monostate, FileError>(*error) : std::monostate{};
    }
    // An older, longer file keeps its tail after the 400 cells.
    std::string content = cellBytes;
    std::string rest;
    if (std::fseek(file.get(), kVetFileBytes, SEEK_SET) == 0 && !ReadRest(file.get(), rest)) {
        return ErrorFromErrno("Cannot read", path);
    }
    content += rest;
    char resolved[PATH_MAX];
    const std::string target = ::realpath(path.c_str(), resolved) ? resolved : path;
    bool noRoomBeside = false;
    auto error = ReplaceWhole(target, path, content, info.st_mode & 07777, &noRoomBeside);
    if (error && noRoomBeside) {
        // A writable file in a folder we may not add to: in place is the only way left.
        std::rewind(file.get());
        error = WriteInPlace(file.get(), path, cells);
    }
    return error ? std::variant<std::monostate, FileError>(*error) : std::monostate{};
}
