#include "table/qt/DocumentsArchive.h"

#include "common/FileNames.h"
#include "common/qt/Documents.h"

std::variant<std::string, FileError> DocumentsArchive::keep(const TableFile& file,
                                                            BackupKind kind) {
    const QString folder = DocumentsFolder(kBackupFolderName);
    if (folder.isEmpty()) {
        return FileError{kNoHomeText};
    }
    return KeepBackup(folder.toStdString(), LocalNow(), kind, file);
}
