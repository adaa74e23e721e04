#include "table/qt/QtFileDialogs.h"

#include <QFileDialog>
#include <QRegularExpression>

QStringList QtNameFilters(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split('|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString text = parts[i];
        // The text usually repeats its patterns in brackets; Qt reads them from there.
        text.remove(QRegularExpression(R"(\s*\([^()]*\)\s*$)"));
        QStringList patterns = parts[i + 1].split(';', Qt::SkipEmptyParts);
        for (QString& pattern : patterns) {
            pattern = pattern.trimmed();
            if (pattern == "*.*") {
                pattern = "*";
            }
        }
        filters << QString("%1 (%2)").arg(text.trimmed(), patterns.join(' '));
    }
    return filters;
}

std::optional<std::string> QtFileDialogs::showOpen(const FileDialogRequest& request) {
    return show(request, false);
}

std::optional<std::string> QtFileDialogs::showSave(const FileDialogRequest& request) {
    return show(request, true);
}

std::optional<std::string> QtFileDialogs::show(const FileDialogRequest& request, bool save) {
    QFileDialog dialog(parent_, QString::fromStdString(request.title));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // A name that does not exist is accepted; the load itself then finds nothing.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    // Qt's own dialog everywhere: a desktop's native one may ask before overwriting, and needs
    // the GLib loop the window does not run.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setDefaultSuffix(QString()); // a name typed without an extension is used as typed
    dialog.setNameFilters(QtNameFilters(request.filter));
    if (!request.fileName.empty()) {
        dialog.selectFile(QString::fromStdString(request.fileName));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst().toStdString();
}
