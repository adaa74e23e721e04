#include "table/qt/QtGrid.h"

#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTableWidget>

namespace {

const QColor kHeaderBackground(128, 128, 0);
const QColor kCellText(192, 192, 192);
const QColor kGridLine(192, 192, 192);
const QColor kHeaderGridLine(Qt::black);

bool IsHeader(int row, int col) {
    return row == 0 || col == 0;
}

// Draws each cell with a grid line on its right and bottom edge, black around the headers.
class CellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        const QRect r = option.rect;
        painter->save();
        painter->setPen(IsHeader(index.row(), index.column()) ? kHeaderGridLine : kGridLine);
        painter->drawLine(r.topRight(), r.bottomRight());
        painter->drawLine(r.bottomLeft(), r.bottomRight());
        painter->restore();
    }
};

} // namespace

QtGrid::QtGrid(QWidget* parent) : table_(new QTableWidget(kLines, kLines, parent)) {
    table_->setObjectName("MSFlexGrid1");
    table_->horizontalHeader()->hide();
    table_->verticalHeader()->hide();
    for (QHeaderView* header : {table_->horizontalHeader(), table_->verticalHeader()}) {
        header->setMinimumSectionSize(1);
        header->setSectionResizeMode(QHeaderView::Fixed);
    }
    table_->setShowGrid(false);
    table_->setItemDelegate(new CellDelegate(table_));
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers); // a view only
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    table_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table_->setFrameShape(QFrame::NoFrame);
    table_->setWordWrap(false);

    QFont font({"Arial", "Liberation Sans"});
    font.setPixelSize(12); // 9 pt at 96 dpi
    font.setBold(true);
    table_->setFont(font);

    QPalette palette = table_->palette();
    palette.setColor(QPalette::Base, Qt::black); // the area past the last row and column
    palette.setColor(QPalette::Window, Qt::black);
    table_->setPalette(palette);

    const QColor headerText = table_->palette().color(QPalette::ButtonText);
    for (int r = 0; r < kLines; ++r) {
        for (int c = 0; c < kLines; ++c) {
            auto* item = new QTableWidgetItem;
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            item->setForeground(IsHeader(r, c) ? headerText : kCellText);
            item->setBackground(IsHeader(r, c) ? kHeaderBackground : cellBackground_);
            table_->setItem(r, c, item);
        }
    }
    // The layout a connection sets up is also the layout before it.
    for (int k = 0; k < kLines; ++k) {
        setColWidth(k, k == 0 ? kHeaderColumnTwips : kCellColumnTwips);
        setRowHeight(k, kRowTwips);
    }
    table_->setCurrentCell(1, 1);
}

void QtGrid::setColWidth(int col, int twips) {
    table_->setColumnWidth(col, twips / kTwipsPerPixel);
}

void QtGrid::setRowHeight(int row, int twips) {
    table_->setRowHeight(row, twips / kTwipsPerPixel);
}

void QtGrid::setCellBackground(Rgb colour) {
    cellBackground_ = QColor(colour.r, colour.g, colour.b);
    for (int r = 1; r < kLines; ++r) {
        for (int c = 1; c < kLines; ++c) {
            showBackground(r, c);
        }
    }
}

void QtGrid::setTextAt(int row, int col, const std::string& text) {
    table_->item(row, col)->setText(QString::fromStdString(text));
}

void QtGrid::setRow(int row) {
    table_->setCurrentCell(row, table_->currentColumn());
}

void QtGrid::setCol(int col) {
    table_->setCurrentCell(table_->currentRow(), col);
}

int QtGrid::row() const {
    return table_->currentRow();
}

int QtGrid::col() const {
    return table_->currentColumn();
}

void QtGrid::paintCurrentCell(Rgb colour) {
    const int r = row();
    const int c = col();
    if (r < 0 || c < 0) {
        return;
    }
    painted_[r][c] = QColor(colour.r, colour.g, colour.b);
    showBackground(r, c);
}

QColor QtGrid::background(int row, int col) const {
    return table_->item(row, col)->background().color();
}

void QtGrid::showBackground(int row, int col) {
    QColor colour = IsHeader(row, col) ? kHeaderBackground : cellBackground_;
    if (painted_[row][col]) {
        colour = *painted_[row][col];
    }
    table_->item(row, col)->setBackground(colour);
}
