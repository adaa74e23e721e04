#include "table/qt/DocumentsArchive.h"

#include <QDateTime>
#include <QStandardPaths>

std::variant<std::string, FileError> DocumentsArchive::keep(const TableFile& file,
                                                            BackupKind kind) {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
                           "/" + kBackupFolderName;
    const QDateTime now = QDateTime::currentDateTime();
    std::tm local{};
    local.tm_year = now.date().year() - 1900;
    local.tm_mon = now.date().month() - 1;
    local.tm_mday = now.date().day();
    local.tm_hour = now.time().hour();
    local.tm_min = now.time().minute();
    local.tm_sec = now.time().second();
    return KeepBackup(folder.toStdString(), local, kind, file);
}
