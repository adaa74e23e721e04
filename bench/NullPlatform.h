// Stand-ins that do no work, so benchmarks time the core alone.
#pragma once

#include "app/Form3D.h"

#include <array>
#include <string>

struct NullSerial : SerialPort {
    void setPortNumber(std::int16_t) override {}
    void setSettings(const std::string&) override {}
    void setReceiveThreshold(std::int16_t) override {}
    bool setPortOpen(bool) override { return true; }
    bool transmit(const std::string& text) override {
        bytesSent += text.size();
        return true;
    }
    std::string receiveAll() override {
        std::string all;
        all.swap(pending);
        return all;
    }
    std::string errorText() const override { return {}; }
    std::string pending;
    std::size_t bytesSent = 0;
};

struct NullGrid : Grid {
    void setColWidth(int, int) override {}
    void setRowHeight(int, int) override {}
    void setCellBackground(Rgb) override {}
    void setTextAt(int, int, const std::string&) override {}
    void setRow(int r) override { row_ = r; }
    void setCol(int c) override { col_ = c; }
    int row() const override { return row_; }
    int col() const override { return col_; }
    void paintCurrentCell(Rgb) override {}
    int row_ = 0;
    int col_ = 0;
};

struct NullCanvas : Canvas {
    void setForeColor(Rgb) override {}
    void setBackColor(Rgb) override {}
    void moveTo(float, float) override {}
    void lineTo(float, float) override {}
    void line(float, float, float, float) override {}
    void circle(float, float, float, Rgb) override {}
    void refresh() override {}
    void setFrameOrigin(float, float) override {}
};

// A 25 x 29 picture whose ring pixels are fixed, so the scan does real work. The picture is
// worked out once: reading a pixel costs a load, as reading a real picture does, and the
// benchmarks time the scan rather than the stand-in.
struct NullMarker : MarkerPicture {
    NullMarker() {
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const int dx = 2 * x + 1 - 25, dy = 2 * y + 1 - 25;
                const int d2 = dx * dx + dy * dy;
                picture[y][x] =
                    (d2 >= 17 * 17 && d2 <= 21 * 21) ? Rgb{255, 255, 0} : Rgb{236, 233, 216};
            }
        }
    }
    void move(float, float) override {}
    void setBorderless() override {}
    void setAutoRedraw(bool) override {}
    void setDrawWidth(int) override {}
    float scaleWidth() const override { return 375; }
    float scaleHeight() const override { return 435; }
    float twipsPerPixelX() const override { return 15; }
    float twipsPerPixelY() const override { return 15; }
    void drawCircle(float, float, float, Rgb) override {}
    Rgb pixel(int x, int y) const override {
        return (x >= 0 && x < kWidth && y >= 0 && y < kHeight) ? picture[y][x] : Rgb{};
    }
    void applyShape(const Region&) override {}
    static constexpr int kWidth = 25;
    static constexpr int kHeight = 29;
    std::array<std::array<Rgb, kWidth>, kHeight> picture{};
};

struct NullBoxes : TextBoxes {
    void setText(TextBox, const std::string&) override {}
    void setTextColour(TextBox, Rgb) override {}
};

struct NullDialogs : FileDialogs {
    std::optional<std::string> showOpen(const FileDialogRequest&) override { return {}; }
    std::optional<std::string> showSave(const FileDialogRequest&) override { return {}; }
};

struct NullStatus : StatusLine {
    void showStatus(const std::string&) override {}
};

struct NullTimer : LinkTimer {
    void start(int) override {}
    void stop() override {}
    std::int64_t nowMs() const override { return 0; }
};

struct NullPlatform {
    NullSerial serial;
    NullGrid grid;
    NullCanvas canvas;
    NullMarker marker;
    NullBoxes boxes;
    NullDialogs dialogs;
    NullStatus status;
    NullTimer timer;
    Platform platform() {
        return Platform{serial, grid, canvas, marker, boxes, dialogs, status, timer};
    }
};
