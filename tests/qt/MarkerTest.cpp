// The marker: its ring, the window shape cut from it, and its placement in user coordinates.
#include "QtHarness.h"

#include <QBitmap>
#include <QTest>

namespace {

constexpr QRgb kYellow = 0xFFFF00;

QRegion YellowPixels(const QImage& image) {
    QRegion region;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if ((image.pixel(x, y) & 0xFFFFFF) == kYellow) {
                region += QRect(x, y, 1, 1);
            }
        }
    }
    return region;
}

// The runs of a region along one row, as (first, last) column pairs.
QList<QPair<int, int>> RunsInRow(const QRegion& region, int y, int width) {
    QList<QPair<int, int>> runs;
    for (int x = 0; x < width; ++x) {
        if (region.contains(QPoint(x, y)) && (x == 0 || !region.contains(QPoint(x - 1, y)))) {
            runs.append({x, x});
        }
        if (region.contains(QPoint(x, y))) {
            runs.last().second = x;
        }
    }
    return runs;
}

} // namespace

class MarkerTest : public QObject {
    Q_OBJECT

private slots:
    void shape_isExactlyTheRingsPixels() {
        QtHarness h;
        QCOMPARE(h.marker.size(), QSize(25, 29));
        h.form.ShapeMarker();
        const QRegion ring = YellowPixels(h.marker.image());
        QVERIFY(!ring.isEmpty());
        QCOMPARE(h.marker.mask(), ring);
        // Centre 12.5 px from the left and top, radius 9.5 px, pen 2 px.
        const QRect bounds = ring.boundingRect();
        QVERIFY2(bounds.left() >= 1 && bounds.right() <= 23,
                 qPrintable(QString::number(bounds.right())));
        QVERIFY(bounds.top() >= 1 && bounds.bottom() <= 24);
        QVERIFY(!ring.contains(QPoint(12, 12)));
        QCOMPARE(RunsInRow(ring, 12, 25).size(), 2);
        QCOMPARE(RunsInRow(ring, 13, 25).size(), 2);
        QCOMPARE(RunsInRow(ring, bounds.top(), 25).size(), 1);
        QCOMPARE(RunsInRow(ring, bounds.bottom(), 25).size(), 1);
        // The box's lower part is cut away.
        QVERIFY(!ring.intersects(QRect(0, 25, 25, 4)));
    }

    void emptyShape_hidesTheMarkerUntilTheNextShape() {
        QtHarness h;
        h.canvas.show();
        QVERIFY(h.marker.isVisible());
        h.marker.applyShape({});
        QVERIFY(!h.marker.isVisible());
        h.marker.applyShape({RegionRect{2, 3, 5, 4}});
        QVERIFY(h.marker.isVisible());
        QCOMPARE(h.marker.mask(), QRegion(2, 3, 3, 1));
    }

    void move_placesTheTopLeftInUserCoordinates() {
        QtHarness h;
        // 14.7 PSI absolute at 0 RPM puts the marker at (5.106, -12.5).
        h.marker.move(5.106f, -12.5f);
        QCOMPARE(h.marker.pos(), QPoint(53, 97)); // (15.106 x 3.523, 27.5 x 3.520)
        QCOMPARE(h.marker.size(), QSize(25, 29));
    }
};

QTEST_MAIN(MarkerTest)
#include "MarkerTest.moc"
