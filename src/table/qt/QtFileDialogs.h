// The open and save dialogs over QFileDialog.
#pragma once

#include "table/FileDialogs.h"

#include <QStringList>

class QWidget;

// "Text|pattern|Text|pattern" filters in Qt's form, one "Text (patterns)" entry per pair.
// "*.*" means every file, so it becomes "*" where names need not contain a dot.
QStringList QtNameFilters(const std::string& filter);

class QtFileDialogs : public FileDialogs {
public:
    explicit QtFileDialogs(QWidget* parent) : parent_(parent) {}
    std::optional<std::string> showOpen(const FileDialogRequest& request) override;
    std::optional<std::string> showSave(const FileDialogRequest& request) override;

private:
    std::optional<std::string> show(const FileDialogRequest& request, bool save);
    QWidget* parent_;
};
