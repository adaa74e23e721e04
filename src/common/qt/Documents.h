// Where the programs keep what they make for the user: a folder of its own under Documents.
#pragma once

#include <QDir>
#include <QStandardPaths>
#include <QString>

// Said when there is no home to keep anything in (HOME unset, say): the system would give the
// root folder, and nothing of the user's belongs there.
inline constexpr const char* kNoHomeText =
    "there is no home folder (HOME is not set) to keep it in";

// Empty when there is no home folder.
inline QString DocumentsFolder(const QString& name) {
    if (QDir::homePath() == QDir::rootPath()) {
        return {};
    }
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + "/" + name;
}
