// The Table window on a core wired to fakes: the block it acts on follows the grid, an edit or a
// paste writes exactly its changed cells after the table is kept, Undo writes back exactly what
// the step replaced; and, on the real main window, keys still reach the table with it open.
#include "edit/qt/TableWindow.h"
#include "Fakes.h"
#include "app/qt/FormTableHost.h"
#include "app/qt/MainWindow.h"
#include "link/Protocol.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QToolButton>

namespace {

int Hundred(int) {
    return 100;
}

struct Editor {
    Editor() {
        h.ConnectWithTable(TableReplyText(Hundred));
        h.form.setTableArchive(&archive);
    }
    std::vector<std::string> cellWrites() const {
        std::vector<std::string> writes;
        for (const std::string& text : h.serial.sent()) {
            if (text.starts_with("<234,")) {
                writes.push_back(text);
            }
        }
        return writes;
    }
    void press(const QString& name) {
        QTest::mouseClick(window.button(name), Qt::LeftButton);
        QTRY_VERIFY(!h.form.writingCells());
    }
    void choose(const QString& operation, const QString& value) {
        window.findChild<QComboBox*>("operation")->setCurrentText(operation);
        window.findChild<QLineEdit*>("value")->setText(value);
    }
    // The grid's block from (p0, r0) to (p1, r1), by the keys.
    void select(int p0, int r0, int p1, int r1) {
        for (int k = 0; k < p0; ++k) {
            h.form.Form_KeyDown(key::kRight, 0);
        }
        for (int k = 0; k < r0; ++k) {
            h.form.Form_KeyDown(key::kDown, 0);
        }
        for (int k = p0; k < p1; ++k) {
            h.form.Form_KeyDown(key::kRight, key::kShift);
        }
        for (int k = r0; k < r1; ++k) {
            h.form.Form_KeyDown(key::kDown, key::kShift);
        }
    }
    QString summary() const { return window.findChild<QLabel*>("blockSummary")->text(); }

    CoreHarness h;
    FakeArchive archive{h.serial};
    FormTableHost host{h.form};
    TableWindow window{host,
                       [this] {
                           return h.form.blockActive == 0
                                      ? Block{}
                                      : Block{h.form.blockColLow, h.form.blockColHigh,
                                              h.form.blockRowLow, h.form.blockRowHigh};
                       },
                       h.status};
};

std::vector<std::string> Writes(const std::vector<std::pair<int, int>>& cells, int value) {
    std::vector<std::string> writes;
    for (const auto& [p, r] : cells) {
        writes.push_back(CellWriteMessage(CellIndex(p, r), static_cast<std::int16_t>(value)));
    }
    return writes;
}

} // namespace

class TableWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void theBlockFollowsTheGridsSelection() {
        Editor e;
        QTRY_VERIFY(e.summary().startsWith("Block: pressure 0 to 19, RPM 0 to 19 · 20 x 20"));
        e.select(3, 1, 5, 2);
        QTRY_VERIFY(e.summary().startsWith("Block: pressure 3 to 5, RPM 1 to 2 · 3 x 2 cells"));
    }

    void anEditWritesItsChangedCellsInIndexOrderAfterABackupAndUndoWritesThemBack() {
        Editor e;
        e.select(3, 1, 4, 2);
        e.choose("add", "-5");
        e.press("Apply");
        QCOMPARE(e.archive.kinds, std::vector<BackupKind>{BackupKind::BeforeEdit});
        const std::vector<std::pair<int, int>> block{{3, 1}, {3, 2}, {4, 1}, {4, 2}};
        QCOMPARE(e.cellWrites(), Writes(block, 95));
        e.press("Undo");
        std::vector<std::string> both = Writes(block, 95);
        for (const std::string& w : Writes(block, 100)) {
            both.push_back(w);
        }
        QCOMPARE(e.cellWrites(), both);
        QCOMPARE(e.h.form.HeldTable().table[CellIndex(4, 2)], std::int16_t(100));
        e.press("Redo");
        QCOMPARE(e.h.form.HeldTable().table[CellIndex(4, 2)], std::int16_t(95));
        // A key edit made meanwhile is a step of its own: undone first, alone.
        e.h.form.Form_KeyDown(key::kEquals, 0);
        QTRY_VERIFY(e.window.editor().history().undoLabel().value_or("").starts_with("cell at"));
        const std::size_t before = e.cellWrites().size();
        e.press("Undo");
        QCOMPARE(e.cellWrites().size(), before + 1);
    }

    void aPasteLandsFromTheBlocksCornerAndARaggedOneIsRefused() {
        Editor e;
        e.select(2, 5, 3, 6); // its top-left corner is where the text lands
        QApplication::clipboard()->setText("1\t2\t3\n4\t5\t6\n7\t8\t9\n10\t11\t12\n");
        e.press("Paste");
        QCOMPARE(e.cellWrites().size(), 12u);
        QCOMPARE(e.h.form.HeldTable().table[CellIndex(2, 5)], std::int16_t(1));
        QCOMPARE(e.h.form.HeldTable().table[CellIndex(4, 8)], std::int16_t(12));
        QApplication::clipboard()->setText("1\t2\t3\n4\t5\n");
        e.press("Paste");
        QCOMPARE(e.cellWrites().size(), 12u);
        QVERIFY(QString::fromStdString(e.h.status.last()).startsWith("Nothing pasted: "));
    }

    void keysStillReachTheTableWithTheTableWindowOpen() {
        MainWindow window(Release::V17);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::mouseClick(window.findChild<QToolButton*>("tableButton"), Qt::LeftButton);
        QVERIFY(window.tableWindow().isVisible());
        QCOMPARE(QApplication::activeWindow(), &window);
        const auto before = window.form().selectedCell;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QVERIFY(window.form().selectedCell != before);
    }
};

QTEST_MAIN(TableWindowTest)
#include "TableWindowTest.moc"
