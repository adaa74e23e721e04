#include "datalog/LogFile.h"

#include "table/TableFormats.h"

#include <cerrno>
#include <cstring>

std::optional<std::string> StdioLogFile::open(const std::string& path) {
    if (borrowed_) {
        return std::nullopt;
    }
    close();
    // Binary, so the rows keep their "\n" line ends on every system.
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) {
        return std::strerror(errno);
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

std::optional<std::string> StdioLogFile::keep(const std::string& path, const std::string& text) {
    const auto written = WriteTextFile(path, text);
    if (const auto* error = std::get_if<FileError>(&written)) {
        return error->reason;
    }
    return std::nullopt;
}
