#include "table/TableBackup.h"

#include "common/FileNames.h"

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <system_error>

const char* WordOf(BackupKind kind) {
    return std::find_if(std::begin(kBackupWords), std::end(kBackupWords),
                        [kind](const BackupWord& w) { return w.kind == kind; })
        ->word;
}

std::string BackupStem(const std::tm& local, BackupKind kind) {
    return FileStamp(local) + "-" + WordOf(kind);
}

std::variant<std::string, FileError> KeepBackup(const std::string& folder, const std::tm& local,
                                                BackupKind kind, const TableFile& file) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        return FileError{"Cannot make " + folder + ": " + error.message()};
    }
    const std::string path = UnusedPath(folder + "/" + BackupStem(local, kind),
                                        ExtensionOf(TableFormat::Json), [](const std::string& p) {
                                            std::error_code ignored;
                                            return std::filesystem::exists(p, ignored);
                                        });
    const auto written = WriteTableFile(path, file);
    if (const auto* failed = std::get_if<FileError>(&written)) {
        return *failed;
    }
    return path;
}
