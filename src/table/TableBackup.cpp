#include "table/TableBackup.h"

#include "common/FileNames.h"

#include <filesystem>
#include <system_error>

std::string BackupStem(const std::tm& local, BackupKind kind) {
    const char* why = kind == BackupKind::BeforePut    ? "-before-put"
                      : kind == BackupKind::Downloaded ? "-downloaded"
                      : kind == BackupKind::BeforeLoad ? "-before-load"
                                                       : "-before-tune";
    return FileStamp(local) + why;
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
