// The canvas: a full redraw from the default view, in pixels of the client area.
#include "QtHarness.h"
#include "app/qt/MainWindow.h"

#include <QApplication>
#include <QScreen>
#include <QTest>

namespace {

constexpr QRgb kGrey = 0x808080;
constexpr QRgb kRed = 0xFF0000;
constexpr QRgb kGreen = 0x00FF00;

QRect BoundsOf(const QImage& image, QRgb colour) {
    QRect bounds;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if ((image.pixel(x, y) & 0xFFFFFF) == colour) {
                bounds |= QRect(x, y, 1, 1);
            }
        }
    }
    return bounds;
}

} // namespace

class CanvasTest : public QObject {
    Q_OBJECT

private slots:
    void fullRedrawFromDefaultView_drawsMeshAndAxesWhereTheyProject() {
        QtHarness h;
        h.form.LetsGo(); // all-zero table, eye at (-40, 40, 60)
        const QImage& image = h.canvas.image();
        const auto px = [&h](float x, float y) { return h.canvas.toPixel(x, y); };
        // (0, 0) lies 528.5 twips from the left and 791.9 from the top: pixel 35.2, 52.8.
        QCOMPARE(px(0, 0), QPoint(35, 53));
        // Mesh and axes span the mesh's x extent (0 to 24.43) and the axes' y extent (13.72 up
        // the height axis, -10.29 at the end of the RPM axis).
        const QRect drawn = BoundsOf(image, kGrey) | BoundsOf(image, kRed);
        QCOMPARE(drawn, QRect(px(0, 13.72f), px(24.43f, -10.29f)));
        // The mesh's far corner (24.43, 0) is grey; the mesh stays within y -8.89 to 8.89.
        QCOMPARE(h.at(px(24.43f, 0)), kGrey);
        const QRect mesh = BoundsOf(image, kGrey);
        QVERIFY(mesh.top() >= px(0, 8.89f).y() && mesh.bottom() <= px(0, -8.89f).y());
        // The axes run from the origin to (14.14, 10.29), (14.14, -10.29) and (0, 13.72).
        for (const QPointF end :
             {QPointF(14.14, 10.29), QPointF(14.14, -10.29), QPointF(0, 13.72)}) {
            QCOMPARE(h.at(px(float(end.x()), float(end.y()))), kRed);
        }
        QCOMPARE(BoundsOf(image, kRed).right(), px(14.14f, 0).x());
        // The selection ring sits on cell (0, 0), at the origin, 0.3 units (about 1 px) round.
        const QRect ring = BoundsOf(image, kGreen);
        QVERIFY(ring.contains(px(0, 0) + QPoint(1, 0)));
        QVERIFY(ring.width() <= 4 && ring.height() <= 4);
        QCOMPARE(h.at(QPoint(600, 300)), QRgb(0x010101)); // the near-black background
    }

    void movedFrame_shiftsTheNextRedrawByOneUnit() {
        QtHarness h;
        h.form.LetsGo();
        const QRect before = BoundsOf(h.canvas.image(), kGrey);
        h.canvas.setFrameOrigin(-9.0f, 15.0f); // the left edge one unit further right
        h.form.BuildSurface();
        const QRect after = BoundsOf(h.canvas.image(), kGrey);
        const int shift = before.left() - after.left();
        QVERIFY2(shift == 3 || shift == 4, qPrintable(QString::number(shift)));
        QCOMPARE(after.top(), before.top());
    }

    void release12ShiftLeft_pansTheDrawnMeshOneUnitLeft() {
        MainWindow window(Release::V12);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        Form3D& form = window.form();
        form.eyeX = -40; // the view Connect sets, without a port
        form.eyeY = 40;
        form.eyeZ = 60;
        form.BuildSurface();
        const QRect before = BoundsOf(window.canvas().image(), kGrey);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left, Qt::ShiftModifier);
        const QRect after = BoundsOf(window.canvas().image(), kGrey);
        const int shift = before.left() - after.left();
        QVERIFY2(shift == 3 || shift == 4, qPrintable(QString::number(shift)));
        QCOMPARE(after.top(), before.top());
        QCOMPARE(after.width(), before.width());
        QCOMPARE(form.markerLeftOffset, 1.0f); // moved with the frame (it was 0 without Connect)
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
        // Lines in every direction, and circles from the marks' size up, onto a shown canvas.
        canvas.lineTo(5, -8);
        canvas.lineTo(-3, 2);
        canvas.line(30, -20, 60, 12);
        for (const float radius : {0.3f, 1.0f, 4.5f}) {
            canvas.circle(40 + 20 * radius, -radius, radius, Rgb{255, 0, 0});
        }
        QCOMPARE(shown(), canvas.image());
        canvas.circle(40 + 20 * 4.5f, -4.5f, 4.5f, Rgb{0, 0, 0}); // an erased mark
        QCOMPARE(shown(), canvas.image());
    }

    void window_showsTheCanvasBeneathItsControls() {
        MainWindow window(Release::V17);
        window.form().eyeX = -40; // the view Connect sets, without a port
        window.form().eyeY = 40;
        window.form().eyeZ = 60;
        window.form().BuildSurface();
        const QImage shot = window.centralWidget()->grab().toImage();
        // The RPM axis end lies below the real-time box, in the open.
        const QPoint end = window.canvas().toPixel(14.14f, -10.29f);
        QCOMPARE(shot.pixel(end) & 0xFFFFFF, kRed);
        // Where a caption covers an axis end, the caption shows.
        const QPoint covered = window.canvas().toPixel(14.14f, 10.29f);
        QVERIFY((shot.pixel(covered) & 0xFFFFFF) != kRed);
    }
};

QTEST_MAIN(CanvasTest)
#include "CanvasTest.moc"
