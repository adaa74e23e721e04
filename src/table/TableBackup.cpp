#include "table/TableBackup.h"

#include <filesystem>
#include <system_error>

std::string BackupStem(const std::tm& local, BackupKind kind) {
    char when[32];
    std::strftime(when, sizeof when, "%Y-%m-%d_%H.%M.%S", &local);
    const char* why = kind == BackupKind::BeforePut    ? "-before-put"
                      : kind == BackupKind::Downloaded ? "-downloaded"
                                                       : "-before-load";
    return std::string(when) + why;
}

std::string UnusedPath(const std::string& stem, const std::string& extension,
                       const std::function<bool(const std::string&)>& taken) {
    std::string path = stem + extension;
    for (int n = 2; taken(path); ++n) {
        path = stem + "_" + std::to_string(n) + extension;
    }
    return path;
}

std::variant<std::string, FileError> KeepBackup(const std::string& folder, const std::tm& local,
                                                BackupKind kind, const TableFile& file) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        return FileError{"Cannot make " + folder + ": " + error.message()};
    }
    const std::string path =
        UnusedPath(folder + "/" + BackupStem(local, kind), ".json", [](const std::string& p) {
            std::error_code ignored;
            return std::filesystem::exists(p, ignored);
        });
    const auto written = WriteTableFile(path, file);
    if (const auto* failed = std::get_if<FileError>(&written)) {
        return *failed;
    }
    return path;
}
