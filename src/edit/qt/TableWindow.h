// The Table window: operations on the grid's block, Copy and Paste as spreadsheets take them,
// Undo and Redo, and a compare with a table file or a restore point. A window of its own that
// never takes the focus from the main window as it appears.
#pragma once

#include "edit/TableEditor.h"
#include "edit/qt/CompareMap.h"

#include <QTimer>
#include <QWidget>

#include <functional>
#include <map>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TableWindow : public QWidget {
public:
    // `block` gives the grid's block as it stands (the whole table when there is none).
    TableWindow(TableHost& host, std::function<Block()> block, StatusLine& status,
                QWidget* parent = nullptr);

    // After Connect: a new history from the device's next table.
    void startOver();
    // Compares with the table of a file; why not, else nothing.
    std::optional<std::string> compareWith(const std::string& path);

    QPushButton* button(const QString& name) const { return buttons_.at(name); }
    const TableEditor& editor() const { return editor_; }

private:
    void refresh();
    void writeBegan(bool began);
    void listRestorePoints();

    TableHost& host_;
    std::function<Block()> block_;
    StatusLine& status_;
    TableEditor editor_;
    QLabel* summary_;
    QComboBox* operation_;
    QLineEdit* value_;
    QComboBox* points_;
    QLabel* compared_;
    CompareMap* map_;
    std::map<QString, QPushButton*> buttons_;
    std::optional<TableFile> comparedTable_;
    std::string comparedName_;
    QTimer refresh_;
    QTimer pace_;
};
