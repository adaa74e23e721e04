#include "table/qt/DocumentsArchive.h"

#include "common/FileNames.h"
#include "common/qt/Documents.h"

std::variant<std::string, FileError> DocumentsArchive::keep(const TableFile& file,
                                                            BackupKind kind) {
    return KeepBackup(DocumentsFolder(kBackupFolderName).toStdString(), LocalNow(), kind, file);
}
