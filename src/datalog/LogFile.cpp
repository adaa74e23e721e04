#include "datalog/LogFile.h"

#include "common/FileReplace.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

std::optional<std::string> StdioLogFile::open(const std::string& path, bool replace) {
    if (borrowed_) {
        return std::nullopt;
    }
    close();
    if (replace) {
        std::error_code ignored;
        std::filesystem::remove(path, ignored); // the entry itself, a link included
    }
    // Binary, so the rows keep their "\n" line ends on every system.
    errno = 0;
    file_ = CreateNewFile(path);
    if (!file_) {
        return std::strerror(errno ? errno : EIO);
    }
    return std::nullopt;
}

std::optional<std::string> StdioLogFile::append(std::string_view text) {
    if (!file_) {
        return "not open";
    }
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), file_) != text.size() || std::fflush(file_) != 0) {
        return errno ? std::strerror(errno) : "write failed";
    }
    return std::nullopt;
}

void StdioLogFile::close() {
    if (file_ && !borrowed_) {
        std::fclose(file_);
        file_ = nullptr;
    }
}

std::optional<std::string> StdioLogFile::keep(const std::string& path, const std::string& text,
                                              bool fresh) {
    // Written whole beside it, then moved to the name itself: a link there is replaced, never
    // followed.
    auto beside = WriteBeside(path, path, text, NewFileMode());
    if (const auto* error = std::get_if<FileError>(&beside)) {
        return error->reason;
    }
    const std::string& temporary = std::get<std::string>(beside);
    const auto moved = fresh ? MoveToNew(temporary, path, path) : MoveOver(temporary, path, path);
    if (moved) {
        return moved->reason;
    }
    return std::nullopt;
}

void StdioLogFile::remove(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
}

bool StdioLogFile::taken(const std::string& path) const {
    std::error_code ignored;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ignored));
}
