// Backups of the device's table in <Documents>/Torvex tables, stamped with the local time.
#pragma once

#include "table/TableBackup.h"

class DocumentsArchive final : public TableArchive {
public:
    std::variant<std::string, FileError> keep(const TableFile& file, BackupKind kind) override;
};
