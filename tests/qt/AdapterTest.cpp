// The grid, canvas and marker adapters as the core drives them: pixels, colours, the mask.
#include "Fakes.h"
#include "marker/qt/MarkerWidget.h"
#include "surface/qt/CanvasWidget.h"
#include "table/qt/QtGrid.h"

#include <QScreen>
#include <QTableWidget>
#include <QTest>

namespace {

constexpr QRgb kGrey = 0x808080;
constexpr QRgb kRed = 0xFF0000;
constexpr QRgb kYellow = 0xFFFF00;
const QColor kCell(0, 0, 80);
const QColor kMarked(20, 150, 20);

// The core wired to the real adapters, with fakes for the rest.
struct Adapters {
    CanvasWidget canvas{QColor(0, 0, 0)};
    QtGrid grid{&canvas};
    MarkerWidget marker{[this](float x, float y) { return canvas.toPixel(x, y); }, &canvas};
    CoreHarness h{Release::V17, grid, canvas, marker};
};

QRegion PixelsOf(const QImage& image, QRgb colour) {
    QRegion region;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if ((image.pixel(x, y) & 0xFFFFFF) == colour) {
                region += QRect(x, y, 1, 1);
            }
        }
    }
    return region;
}

} // namespace

class AdapterTest : public QObject {
    Q_OBJECT

private slots:
    void fullRedraw_drawsMeshAndAxesWhereTheyProject() {
        Adapters a;
        a.h.Connect(); // all-zero table, eye at (-40, 40, 60)
        const QImage& image = a.canvas.image();
        const auto px = [&a](float x, float y) { return a.canvas.toPixel(x, y); };
        QCOMPARE(px(0, 0), QPoint(35, 53)); // 528.5 and 791.9 twips into the client area
        const QRect drawn = (PixelsOf(image, kGrey) + PixelsOf(image, kRed)).boundingRect();
        QCOMPARE(drawn, QRect(px(0, 13.72f), px(24.43f, -10.29f)));
        QCOMPARE(image.pixel(600, 300) & 0xFFFFFF, QRgb(0x010101)); // the near-black background
    }

    // Only the changed parts are repainted; what the screen shows must still be the image.
    void partialDrawing_leavesNothingStaleOnScreen() {
        CanvasWidget canvas(QColor(0, 0, 0));
        canvas.show();
        QVERIFY(QTest::qWaitForWindowExposed(&canvas));
        const auto shown = [&canvas] {
            QCoreApplication::processEvents();
            return canvas.screen()
                ->grabWindow(canvas.winId())
                .toImage()
                .convertToFormat(QImage::Format_RGB32);
        };
        canvas.setBackColor(Rgb{1, 1, 1});
        canvas.setForeColor(Rgb{128, 128, 128});
        canvas.moveTo(0, 0);
        canvas.lineTo(20, 10);
        QCOMPARE(shown(), canvas.image());
        canvas.lineTo(5, -8);
        canvas.line(30, -20, 60, 12);
        for (const float radius : {0.3f, 1.0f, 4.5f}) {
            canvas.circle(40 + 20 * radius, -radius, radius, Rgb{255, 0, 0});
        }
        QCOMPARE(shown(), canvas.image());
        canvas.circle(40 + 20 * 4.5f, -4.5f, 4.5f, Rgb{0, 0, 0}); // an erased mark
        QCOMPARE(shown(), canvas.image());
    }

    void grid_laysOutFillsAndKeepsPaintedMarks() {
        Adapters a;
        QTableWidget* table = a.grid.widget();
        QCOMPARE(a.grid.background(5, 5), QColor(0, 0, 64)); // before any connection
        a.h.ConnectWithTable(TableReplyText([](int i) { return i % 50 - 10; }));
        QCOMPARE(table->columnWidth(0), 60);
        QCOMPARE(table->columnWidth(20), 30);
        QCOMPARE(table->rowHeight(20), 12);
        QCOMPARE(table->item(20, 0)->text(), QString("10000"));
        QCOMPARE(table->item(0, 20)->text(), QString("28.4"));
        QCOMPARE(table->item(2, 2)->text(), QString("11"));
        QCOMPARE(table->item(2, 2)->foreground().color(), QColor(192, 192, 192));
        QCOMPARE(a.grid.background(0, 2), QColor(128, 128, 0));

        a.h.form.Form_KeyDown(key::kDown, 0);
        a.h.form.Form_KeyDown(key::kRight, key::kShift); // block of columns 1 and 2, row 2
        a.h.form.FillGrid();
        a.h.form.SetUpGrid(); // a new overall background leaves painted cells alone
        QCOMPARE(a.grid.background(2, 2), kMarked);
        QCOMPARE(a.grid.background(3, 2), kCell);
        a.h.form.Form_KeyDown(key::kUp, 0); // a plain move clears the block
        QCOMPARE(a.grid.background(2, 1), kCell);
        QCOMPARE(a.grid.background(1, 2), kMarked);

        table->resize(929, 401);
        const QImage shot = table->grab().toImage();
        QCOMPARE(QColor(shot.pixel(92, 14)), kMarked); // column 2 spans x 90-119, row 1 y 12-23
        QCOMPARE(QColor(shot.pixel(62, 14)), kCell);
        QCOMPARE(QColor(shot.pixel(59, 14)), QColor(0, 0, 0));   // the grid line
        QCOMPARE(QColor(shot.pixel(700, 100)), QColor(0, 0, 0)); // past the last column
    }

    void marker_maskIsExactlyTheRingAndMovesInUserCoordinates() {
        Adapters a;
        a.h.form.ShapeMarker();
        const QRegion ring = PixelsOf(a.marker.image(), kYellow);
        QVERIFY(!ring.isEmpty());
        QCOMPARE(a.marker.mask(), ring);
        QVERIFY(!ring.contains(QPoint(12, 12)));
        QVERIFY(!ring.intersects(QRect(0, 25, 25, 4))); // the box's lower part is cut away
        a.marker.move(5.106f, -12.5f);
        QCOMPARE(a.marker.pos(), QPoint(53, 97));
        QCOMPARE(a.marker.size(), QSize(25, 29));

        a.canvas.show();
        a.marker.applyShape({});
        QVERIFY(!a.marker.isVisible()); // an empty shape hides it until the next
        a.marker.applyShape({RegionRect{2, 3, 5, 4}});
        QVERIFY(a.marker.isVisible());
    }
};

QTEST_MAIN(AdapterTest)
#include "AdapterTest.moc"
