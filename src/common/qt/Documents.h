// Where the programs keep what they make for the user: a folder of its own under Documents.
#pragma once

#include <QStandardPaths>
#include <QString>

inline QString DocumentsFolder(const QString& name) {
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + "/" + name;
}
