#include "edit/qt/TableWindow.h"

#include "common/qt/Documents.h"
#include "edit/BlockText.h"
#include "edit/RestorePoints.h"
#include "table/TableFormats.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include <chrono>
#include <cstdio>

namespace {

constexpr int kRefreshMs = 100;
// As live tuning's apply: each tick hands the line what it can take.
constexpr int kPaceMs = 10;
const char* const kOperations[] = {"set", "add", "scale", "interpolate", "smooth"};

// "2026-12-09 02:17:32 · before edit"
std::string PointText(const RestorePoint& point) {
    using namespace std::chrono;
    const auto day = floor<days>(point.time);
    const year_month_day date{day};
    const hh_mm_ss time{point.time - day};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d:%02d", int(date.year()),
                  unsigned(date.month()), unsigned(date.day()), int(time.hours().count()),
                  int(time.minutes().count()), int(time.seconds().count()));
    return std::string(text) + " · " + MadeBy(point.kind);
}

} // namespace

TableWindow::TableWindow(TableHost& host, std::function<Block()> block, StatusLine& status,
                         QWidget* parent)
    : QWidget(parent, Qt::Window), host_(host), block_(std::move(block)), status_(status),
      editor_(host, status), summary_(new QLabel(this)), operation_(new QComboBox(this)),
      value_(new QLineEdit(this)), points_(new QComboBox(this)), compared_(new QLabel(this)),
      map_(new CompareMap(this)) {
    setObjectName("table");
    setWindowTitle("Table");
    setAttribute(Qt::WA_ShowWithoutActivating);
    summary_->setObjectName("blockSummary");
    operation_->setObjectName("operation");
    value_->setObjectName("value");
    points_->setObjectName("restorePoints");
    compared_->setObjectName("compared");
    for (const char* name : kOperations) {
        operation_->addItem(name);
    }
    value_->setPlaceholderText("value");
    const auto addButton = [this](QHBoxLayout* row, const QString& name) {
        auto* button = new QPushButton(name, this);
        button->setAutoDefault(false);
        row->addWidget(button);
        buttons_[name] = button;
        return button;
    };
    auto* edits = new QHBoxLayout;
    edits->addWidget(operation_);
    edits->addWidget(value_);
    addButton(edits, "Apply");
    edits->addStretch();
    auto* clipboard = new QHBoxLayout;
    for (const char* name : {"Copy", "Paste", "Undo", "Redo"}) {
        addButton(clipboard, name);
    }
    clipboard->addStretch();
    auto* compare = new QHBoxLayout;
    addButton(compare, "Compare with...");
    compare->addWidget(points_, 1);
    addButton(compare, "Restore");
    auto* whole = new QVBoxLayout(this);
    whole->addWidget(summary_);
    whole->addLayout(edits);
    whole->addLayout(clipboard);
    whole->addLayout(compare);
    whole->addWidget(compared_);
    whole->addWidget(map_);
    whole->setSizeConstraint(QLayout::SetFixedSize);

    connect(operation_, &QComboBox::currentIndexChanged, this, [this](int index) {
        const auto kind = EditKindNamed(kOperations[index]);
        value_->setEnabled(kind && TakesValue(*kind));
    });
    const auto apply = [this] {
        const auto edit =
            ParseEdit(operation_->currentText().toStdString(),
                      value_->isEnabled() ? value_->text().toStdString() : std::string());
        if (const auto* why = std::get_if<std::string>(&edit)) {
            status_.showStatus("Nothing sent: " + *why);
            return;
        }
        writeBegan(editor_.edit(block_(), std::get<EditOperation>(edit)));
    };
    connect(buttons_["Apply"], &QPushButton::clicked, this, apply);
    connect(value_, &QLineEdit::returnPressed, this, apply);
    connect(buttons_["Copy"], &QPushButton::clicked, this, [this] {
        const Block block = block_();
        QApplication::clipboard()->setText(
            QString::fromStdString(CopyText(host_.heldTable(), block)));
        status_.showStatus("Copied " + BlockSizeText(block));
    });
    connect(buttons_["Paste"], &QPushButton::clicked, this, [this] {
        writeBegan(editor_.paste(block_(), QApplication::clipboard()->text().toStdString()));
    });
    const auto undo = [this] { writeBegan(editor_.undo()); };
    const auto redo = [this] { writeBegan(editor_.redo()); };
    connect(buttons_["Undo"], &QPushButton::clicked, this, undo);
    connect(buttons_["Redo"], &QPushButton::clicked, this, redo);
    // Inside this window only: the main window's keys stay the design's.
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), this), &QShortcut::activated, this,
            undo);
    for (const QKeySequence& keys :
         {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)}) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this, redo);
    }
    connect(buttons_["Compare with..."], &QPushButton::clicked, this, [this] {
        const QString path =
            QFileDialog::getOpenFileName(this, "Compare with", DocumentsFolder(kBackupFolderName),
                                         "Table files (*.vet *.csv *.json)");
        if (path.isEmpty()) {
            return;
        }
        if (const auto why = compareWith(path.toStdString())) {
            status_.showStatus(*why);
        }
    });
    connect(points_, &QComboBox::activated, this, [this](int index) {
        const QString file = points_->itemData(index).toString();
        if (file.isEmpty()) {
            return;
        }
        if (const auto why =
                compareWith((DocumentsFolder(kBackupFolderName) + "/" + file).toStdString())) {
            status_.showStatus(*why);
        }
    });
    connect(buttons_["Restore"], &QPushButton::clicked, this, [this] {
        if (!comparedTable_) {
            status_.showStatus("Nothing restored: compare with a table first");
            return;
        }
        writeBegan(editor_.restore(block_(), comparedTable_->table, comparedName_));
    });
    pace_.setInterval(kPaceMs);
    connect(&pace_, &QTimer::timeout, this, [this] {
        host_.writeCellsTick();
        if (!host_.writingCells()) {
            pace_.stop();
        }
    });
    connect(&refresh_, &QTimer::timeout, this, &TableWindow::refresh);
    refresh_.start(kRefreshMs);
    listRestorePoints();
    refresh();
}

void TableWindow::startOver() {
    editor_.startOver();
    listRestorePoints();
}

std::optional<std::string> TableWindow::compareWith(const std::string& path) {
    auto read = ReadTableFile(path);
    if (const auto* error = std::get_if<FileError>(&read)) {
        return "Nothing compared: " + error->reason;
    }
    comparedTable_ = std::get<TableFile>(read);
    comparedName_ = path.substr(path.find_last_of("/\\") + 1);
    compared_->setText(QString::fromStdString("Compared with " + comparedName_ +
                                              ": the percent the table is above it"));
    refresh();
    return std::nullopt;
}

void TableWindow::refresh() {
    editor_.watch();
    const Block block = block_();
    const VeTable held = host_.heldTable().table;
    summary_->setText(QString::fromStdString(BlockSummary(held, block)));
    buttons_["Undo"]->setToolTip(
        QString::fromStdString(editor_.history().undoLabel().value_or("nothing to undo")));
    buttons_["Redo"]->setToolTip(
        QString::fromStdString(editor_.history().redoLabel().value_or("nothing to redo")));
    map_->show(held, comparedTable_ ? std::optional<VeTable>(comparedTable_->table) : std::nullopt,
               block);
}

void TableWindow::writeBegan(bool began) {
    if (began) {
        pace_.start();
        host_.writeCellsTick();
        listRestorePoints(); // the table kept first is one
    }
}

void TableWindow::listRestorePoints() {
    points_->clear();
    points_->addItem("Compare with a restore point");
    const auto listed = ListRestorePoints(DocumentsFolder(kBackupFolderName).toStdString());
    if (const auto* points = std::get_if<std::vector<RestorePoint>>(&listed)) {
        for (const RestorePoint& point : *points) {
            points_->addItem(QString::fromStdString(PointText(point)),
                             QString::fromStdString(point.file));
        }
    }
}
