#include "common/InputFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {

const char* KindOf(std::filesystem::file_type type) {
    switch (type) {
    case std::filesystem::file_type::directory:
        return "a directory";
    case std::filesystem::file_type::fifo:
        return "a FIFO";
    case std::filesystem::file_type::socket:
        return "a socket";
    case std::filesystem::file_type::block:
    case std::filesystem::file_type::character:
        return "a device";
    default:
        return "not a plain file";
    }
}

} // namespace

std::variant<File, std::string> OpenInputFile(const std::string& path) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (!error && status.type() != std::filesystem::file_type::regular) {
        const std::string kind = KindOf(status.type());
        return path + (kind.starts_with("a ") ? " is " + kind + ", not a file" : " is " + kind);
    }
    errno = 0;
    File file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        return "Cannot open " + path + ": " + std::strerror(errno ? errno : ENOENT);
    }
    return file;
}
