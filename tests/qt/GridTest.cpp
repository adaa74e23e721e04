// The grid adapter as the core drives it: layout, texts, and cell colours that persist.
#include "QtHarness.h"

#include <QTableWidget>
#include <QTest>

namespace {

int CellValue(int i) {
    return i % 50 - 10;
}

} // namespace

class GridTest : public QObject {
    Q_OBJECT

private slots:
    void connectAndTable_layOutAndFillInTwipsPerPixel() {
        QtHarness h;
        QTableWidget* table = h.grid.widget();
        QCOMPARE(table->rowCount(), 21);
        QCOMPARE(table->columnCount(), 21);
        QCOMPARE(h.grid.background(5, 5), Colour(0, 0, 64)); // before any connection
        h.ConnectWithTable(TableReplyText(CellValue));
        QCOMPARE(table->columnWidth(0), 60); // 900 twips
        for (int k = 1; k <= 20; ++k) {
            QCOMPARE(table->columnWidth(k), 30); // 450 twips
        }
        for (int k = 0; k <= 20; ++k) {
            QCOMPARE(table->rowHeight(k), 12); // 180 twips
        }
        QCOMPARE(table->item(0, 0)->text(), QString());
        QCOMPARE(table->item(1, 0)->text(), QString("500"));
        QCOMPARE(table->item(20, 0)->text(), QString("10000"));
        QCOMPARE(table->item(0, 1)->text(), QString("-9.6"));  // 5 PSI absolute
        QCOMPARE(table->item(0, 20)->text(), QString("28.4")); // 43 PSI absolute
        QCOMPARE(table->item(2, 2)->text(), QString::number(CellValue(21)));
        QCOMPARE(table->item(20, 20)->text(), QString::number(CellValue(399)));
        QCOMPARE(table->item(2, 2)->foreground().color(), Colour(192, 192, 192));
        QCOMPARE(h.grid.background(2, 2), Colour(0, 0, 80));
        QCOMPARE(h.grid.background(0, 2), Colour(128, 128, 0));
        QCOMPARE(h.grid.background(2, 0), Colour(128, 128, 0));
    }

    void marks_persistThroughRefillAndNewConnect() {
        QtHarness h;
        h.form.LetsGo();
        h.form.Form_KeyDown(key::kDown, 0); // partial redraw marks row 2, column 1
        QCOMPARE(h.grid.background(2, 1), Colour(20, 150, 20));
        QCOMPARE(h.grid.background(1, 1), Colour(0, 0, 80));
        h.form.Form_KeyDown(key::kRight, key::kShift);
        h.form.Form_KeyDown(key::kRight, key::kShift); // block of columns 1 to 3, row 2
        for (int col = 1; col <= 3; ++col) {
            QCOMPARE(h.grid.background(2, col), Colour(20, 150, 20));
        }
        h.form.FillGrid();
        h.form.SetUpGrid(); // a new overall background leaves painted cells alone
        QCOMPARE(h.grid.background(2, 2), Colour(20, 150, 20));
        QCOMPARE(h.grid.background(3, 2), Colour(0, 0, 80));
        h.form.Form_KeyDown(key::kLeft, 0); // a plain move clears the block
        QCOMPARE(h.grid.background(2, 1), Colour(0, 0, 80));
        QCOMPARE(h.grid.background(2, 2), Colour(20, 150, 20)); // the new selection
        QCOMPARE(h.grid.background(2, 3), Colour(0, 0, 80));
        QCOMPARE(h.grid.row(), 2);
        QCOMPARE(h.grid.col(), 2);
    }

    void rendering_showsCellColoursAndGridLines() {
        QtHarness h;
        h.form.LetsGo();
        h.form.Form_KeyDown(key::kDown, 0);
        h.grid.widget()->resize(929, 401);
        const QImage shot = h.grid.widget()->grab().toImage();
        const auto at = [&shot](int x, int y) { return QColor(shot.pixel(x, y)); };
        // Column 1 spans x 60-89, row 2 spans y 24-35; the grid line is the last pixel of each.
        QCOMPARE(at(62, 25), Colour(20, 150, 20));
        QCOMPARE(at(92, 25), Colour(0, 0, 80));
        QCOMPARE(at(62, 2), Colour(128, 128, 0));
        QCOMPARE(at(89, 14), Colour(192, 192, 192));
        QCOMPARE(at(59, 14), Colour(0, 0, 0));   // header line
        QCOMPARE(at(75, 11), Colour(0, 0, 0));   // below the header row
        QCOMPARE(at(700, 100), Colour(0, 0, 0)); // past the last column
        QCOMPARE(at(100, 300), Colour(0, 0, 0)); // past the last row
    }
};

QTEST_MAIN(GridTest)
#include "GridTest.moc"
