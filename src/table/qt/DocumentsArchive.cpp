#include "table/qt/DocumentsArchive.h"

#include "common/FileNames.h"
#include "common/qt/Documents.h"
#include "edit/RestorePrune.h"

std::variant<std::string, FileError> DocumentsArchive::keep(const TableFile& file,
                                                            BackupKind kind) {
    const QString folder = DocumentsFolder(kBackupFolderName);
    if (folder.isEmpty()) {
        return FileError{kNoHomeText};
    }
    auto kept = KeepBackup(folder.toStdString(), LocalNow(), kind, file);
    if (std::holds_alternative<std::string>(kept)) {
        PruneRestorePoints(folder.toStdString(), LocalNow()); // the folder never fills up
    }
    return kept;
}
