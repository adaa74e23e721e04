#include "common/FileReplace.h"

#include <cerrno>
#include <cstring>

std::optional<FileError> ReplaceWhole(const std::string& target, const std::string& path,
                                      const std::string& content, unsigned mode,
                                      bool* noRoomBeside) {
    auto written = WriteBeside(target, path, content, mode, noRoomBeside);
    if (const auto* error = std::get_if<FileError>(&written)) {
        return *error;
    }
    return MoveOver(std::get<std::string>(written), target, path);
}

FileError ErrorFromErrno(const std::string& what, const std::string& path) {
    return FileError{what + " " + path + ": " + std::strerror(errno)};
}
