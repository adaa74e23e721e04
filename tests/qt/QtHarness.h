// Form3D wired to the real Qt grid, canvas and marker, with fakes for the rest.
#pragma once

#include "Fakes.h"
#include "marker/qt/MarkerWidget.h"
#include "surface/qt/CanvasWidget.h"
#include "table/qt/QtGrid.h"

#include <QColor>

struct QtHarness {
    explicit QtHarness(Release release = Release::V17)
        : form(release, Platform{serial, grid, canvas, marker, boxes, dialogs, status, timer}) {
        form.Form_Load();
    }
    // Connects; the line falls quiet, the table is asked for and this reply arrives whole.
    void ConnectWithTable(const std::string& reply) {
        form.LetsGo();
        LineQuiet();
        serial.pending = reply;
        form.ProcessSerialInput();
        LineQuiet();
    }
    void LineQuiet() {
        if (timer.runningMs > 0) {
            timer.runningMs = 0;
            form.SerialQuiet_Timer();
        }
    }
    QRgb at(QPoint p) const { return canvas.image().pixel(p) & 0xFFFFFF; }

    CanvasWidget canvas{QColor(0, 0, 0)};
    QtGrid grid{&canvas};
    MarkerWidget marker{[this](float x, float y) { return canvas.toPixel(x, y); }, &canvas};
    FakeSerialPort serial;
    FakeTextBoxes boxes;
    FakeDialogs dialogs;
    FakeStatus status;
    FakeTimer timer;
    Form3D form;
};

inline QColor Colour(int r, int g, int b) {
    return QColor(r, g, b);
}
