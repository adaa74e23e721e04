// The device's table kept before anything overwrites it: <folder>/YYYY-MM-DD_HH.MM.SS-why.json,
// with its breakpoints and intake type, so a bad write or load can always be undone.
#pragma once

#include "table/TableFormats.h"

#include <ctime>
#include <string>
#include <variant>

// Under the user's Documents.
inline constexpr const char* kBackupFolderName = "Torvex tables";

enum class BackupKind { BeforePut, Downloaded, BeforeLoad, BeforeTune, BeforeEdit };

// Each kind's word in a backup's name.
struct BackupWord {
    BackupKind kind;
    const char* word;
};
inline constexpr BackupWord kBackupWords[] = {{BackupKind::BeforePut, "before-put"},
                                              {BackupKind::Downloaded, "downloaded"},
                                              {BackupKind::BeforeLoad, "before-load"},
                                              {BackupKind::BeforeTune, "before-tune"},
                                              {BackupKind::BeforeEdit, "before-edit"}};
const char* WordOf(BackupKind kind);

// "2026-12-07_20.31.05-before-put"
std::string BackupStem(const std::tm& local, BackupKind kind);

// Writes `file` as JSON into `folder`, made if need be; the path written, or why not.
std::variant<std::string, FileError> KeepBackup(const std::string& folder, const std::tm& local,
                                                BackupKind kind, const TableFile& file);

// Where the window keeps its backups; the Qt side knows the Documents folder and the clock.
class TableArchive {
public:
    virtual ~TableArchive() = default;
    virtual std::variant<std::string, FileError> keep(const TableFile& file, BackupKind kind) = 0;
};
