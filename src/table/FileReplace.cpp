#include "table/FileReplace.h"

std::optional<FileError> ReplaceWhole(const std::string& target, const std::string& path,
                                      const std::string& content, unsigned mode,
                                      bool* noRoomBeside) {
    auto written = WriteBeside(target, path, content, mode, noRoomBeside);
    if (const auto* error = std::get_if<FileError>(&written)) {
        return *error;
    }
    return MoveOver(std::get<std::string>(written), target, path);
}
