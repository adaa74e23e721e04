// Stand-ins for the platform that check what the core hands them, for the fuzz targets. A broken
// invariant aborts, so libFuzzer keeps the input that broke it.
#pragma once

#include "app/Form3D.h"
#include "link/Protocol.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace fuzz {

[[noreturn]] inline void Fail(const char* what, int line, const std::string& detail) {
    std::fprintf(stderr, "invariant broken (line %d): %s %s\n", line, what, detail.c_str());
    std::abort();
}

#define FUZZ_REQUIRE(cond, detail)                                                                 \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            ::fuzz::Fail(#cond, __LINE__, (detail));                                               \
        }                                                                                          \
    } while (false)

// A per-process file in memory where the system has one: the targets write a file per input.
inline std::string ScratchFile(const char* name) {
    struct stat info {};
    const bool shm = ::stat("/dev/shm", &info) == 0 && S_ISDIR(info.st_mode);
    return std::string(shm ? "/dev/shm/" : "/tmp/") + name + "-" + std::to_string(::getpid());
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    FUZZ_REQUIRE(f != nullptr, path);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

inline bool Finite(float x) {
    return std::isfinite(x);
}

inline bool InLattice(int index) {
    return index >= 0 && index < kLatticeSize;
}

// Every command the core may send: the fixed ones, or a cell write to cells 0 to 399.
inline bool IsKnownCommand(std::string_view text) {
    for (const char* fixed : {command::kRealTimeOff, command::kSendTable, command::kRealTimeOn,
                              "<241>", "<242>", "<243>"}) {
        if (text == fixed) {
            return true;
        }
    }
    if (!text.starts_with("<234,") || !text.ends_with(">")) {
        return false;
    }
    // Digits without leading zeros (a lone 0 aside), within the range given.
    const auto number = [](std::string_view digits, long low, long high) {
        const bool negative = digits.starts_with('-');
        digits.remove_prefix(negative ? 1 : 0);
        if (digits.empty() || digits.size() > 5 || (digits.size() > 1 && digits[0] == '0')) {
            return false;
        }
        long value = 0;
        for (const char c : digits) {
            if (c < '0' || c > '9') {
                return false;
            }
            value = value * 10 + (c - '0');
        }
        value = negative ? -value : value;
        return value >= low && value <= high && !(negative && value == 0);
    };
    const std::string_view body = text.substr(5, text.size() - 6);
    const std::size_t colon = body.find(':');
    return colon != std::string_view::npos && number(body.substr(0, colon), 0, kCellCount - 1) &&
           number(body.substr(colon + 1), -32768, 32767);
}

struct Serial : SerialPort {
    void setPortNumber(std::int16_t port) override {
        FUZZ_REQUIRE(port >= 0 && port <= 20, std::to_string(port));
    }
    void setSettings(const std::string& settings) override {
        FUZZ_REQUIRE(settings == kLineSettings, settings);
    }
    void setReceiveThreshold(std::int16_t) override {}
    bool setPortOpen(bool open) override {
        if (open && failOpen) {
            return false;
        }
        isOpen = open;
        return true;
    }
    bool transmit(const std::string& text) override {
        FUZZ_REQUIRE(IsKnownCommand(text), text);
        if (transmitBudget == 0) {
            return false;
        }
        if (transmitBudget > 0) {
            --transmitBudget;
        }
        return true;
    }
    std::string receiveAll() override {
        std::string all;
        all.swap(pending);
        delivered += all;
        return all;
    }
    std::string errorText() const override { return "refused by the fuzz port"; }

    std::string pending;   // waiting to be read
    std::string delivered; // handed to the core since the harness last cleared it
    bool failOpen = false;
    int transmitBudget = -1; // transmits that succeed before every further one fails; -1: all
    bool isOpen = false;
};

struct CheckedGrid : Grid {
    static bool InGrid(int k) { return k >= 0 && k <= kLatticeSize; }
    void setColWidth(int col, int) override { FUZZ_REQUIRE(InGrid(col), std::to_string(col)); }
    void setRowHeight(int row, int) override { FUZZ_REQUIRE(InGrid(row), std::to_string(row)); }
    void setCellBackground(Rgb) override {}
    void setTextAt(int row, int col, const std::string& text) override {
        FUZZ_REQUIRE(InGrid(row) && InGrid(col), std::to_string(row) + "," + std::to_string(col));
        FUZZ_REQUIRE(!text.empty(), "empty grid text");
    }
    void setRow(int r) override {
        FUZZ_REQUIRE(InGrid(r), std::to_string(r));
        row_ = r;
    }
    void setCol(int c) override {
        FUZZ_REQUIRE(InGrid(c), std::to_string(c));
        col_ = c;
    }
    int row() const override { return row_; }
    int col() const override { return col_; }
    void paintCurrentCell(Rgb) override {}
    int row_ = 0;
    int col_ = 0;
};

struct CheckedCanvas : Canvas {
    static void Point(float x, float y) {
        FUZZ_REQUIRE(Finite(x) && Finite(y), std::to_string(x) + "," + std::to_string(y));
    }
    void setForeColor(Rgb) override {}
    void setBackColor(Rgb) override {}
    void moveTo(float x, float y) override { Point(x, y); }
    void lineTo(float x, float y) override { Point(x, y); }
    void line(float x1, float y1, float x2, float y2) override {
        Point(x1, y1);
        Point(x2, y2);
    }
    void circle(float x, float y, float radius, Rgb) override {
        Point(x, y);
        FUZZ_REQUIRE(Finite(radius) && radius > 0, std::to_string(radius));
    }
    void refresh() override {}
    void setFrameOrigin(float left, float top) override { Point(left, top); }
};

// A 25 x 29 picture with a fixed ring, so the shape scan does real work.
struct CheckedMarker : MarkerPicture {
    void move(float left, float top) override { CheckedCanvas::Point(left, top); }
    void setBorderless() override {}
    void setAutoRedraw(bool) override {}
    void setDrawWidth(int) override {}
    float scaleWidth() const override { return 375; }
    float scaleHeight() const override { return 435; }
    float twipsPerPixelX() const override { return 15; }
    float twipsPerPixelY() const override { return 15; }
    void drawCircle(float x, float y, float radius, Rgb) override {
        CheckedCanvas::Point(x, y);
        FUZZ_REQUIRE(Finite(radius), std::to_string(radius));
    }
    Rgb pixel(int x, int y) const override {
        const int dx = 2 * x + 1 - 25, dy = 2 * y + 1 - 25;
        const int d2 = dx * dx + dy * dy;
        return (d2 >= 17 * 17 && d2 <= 21 * 21) ? Rgb{255, 255, 0} : Rgb{236, 233, 216};
    }
    void applyShape(const Region&) override {}
};

// A readout is a finite number followed by its unit; nothing spelled like nan or inf.
inline void CheckReadout(const std::string& text) {
    std::string lower;
    for (const char c : text) {
        lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    FUZZ_REQUIRE(lower.find("nan") == std::string::npos && lower.find("inf") == std::string::npos,
                 text);
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    FUZZ_REQUIRE(end != text.c_str() && std::isfinite(value), text);
}

struct CheckedBoxes : TextBoxes {
    void setText(TextBox box, const std::string& text) override {
        if (box != TextBox::RTState && box != TextBox::IntakeType) {
            CheckReadout(text);
            ++readoutWrites;
        }
    }
    void setTextColour(TextBox, Rgb) override {}
    int readoutWrites = 0;
};

struct Dialogs : FileDialogs {
    std::optional<std::string> showOpen(const FileDialogRequest&) override { return answer; }
    std::optional<std::string> showSave(const FileDialogRequest&) override { return answer; }
    std::optional<std::string> answer;
};

struct Status : StatusLine {
    void showStatus(const std::string& text) override {
        FUZZ_REQUIRE(!text.empty(), "empty status line");
    }
};

struct Timer : LinkTimer {
    void start(int milliseconds) override {
        FUZZ_REQUIRE(milliseconds > 0, std::to_string(milliseconds));
        runningMs = milliseconds;
    }
    void stop() override { runningMs = 0; }
    std::int64_t nowMs() const override { return now; }
    int runningMs = 0;
    std::int64_t now = 0;
};

struct Rig {
    Serial serial;
    CheckedGrid grid;
    CheckedCanvas canvas;
    CheckedMarker marker;
    CheckedBoxes boxes;
    Dialogs dialogs;
    Status status;
    Timer timer;
    Platform platform() {
        return Platform{serial, grid, canvas, marker, boxes, dialogs, status, timer};
    }
};

// State that must hold after every event, whatever came before it.
inline void CheckState(const Form3D& f) {
    FUZZ_REQUIRE(InLattice(f.selectedColumn) && InLattice(f.selectedRow),
                 std::to_string(f.selectedColumn) + "," + std::to_string(f.selectedRow));
    FUZZ_REQUIRE(f.selectedCell == 20 * f.selectedColumn + f.selectedRow,
                 std::to_string(f.selectedCell));
    FUZZ_REQUIRE(InLattice(f.opPressureIndex) && InLattice(f.opRpmIndex),
                 std::to_string(f.opPressureIndex) + "," + std::to_string(f.opRpmIndex));
    FUZZ_REQUIRE(InLattice(f.opDrawnPressureIndex) && InLattice(f.opDrawnRpmIndex), "");
    FUZZ_REQUIRE(InLattice(f.cursorDrawnColumn) && InLattice(f.cursorDrawnRow), "");
    FUZZ_REQUIRE(f.highlightGridCol <= kLatticeSize && f.highlightGridRow <= kLatticeSize, "");
    FUZZ_REQUIRE(f.blockActive == 0 || f.blockActive == -1, std::to_string(f.blockActive));
    // The edges may cross: Connect moves the selection to cell 0 and leaves a shown block alone,
    // and the next Shift+arrow moves one edge from there.
    if (f.blockActive == -1) {
        FUZZ_REQUIRE(InLattice(f.blockColLow) && InLattice(f.blockColHigh) &&
                         InLattice(f.blockRowLow) && InLattice(f.blockRowHigh),
                     "block");
    }
    for (const std::int16_t flag : {f.linkActive, f.awaitingTable, f.realTimeOn, f.fullRedraw}) {
        FUZZ_REQUIRE(flag == 0 || flag == 1, std::to_string(flag));
    }
    FUZZ_REQUIRE(f.framer().pendingSize() <= InputFramer::kMaxPending,
                 std::to_string(f.framer().pendingSize()));
    for (const float x : {f.eyeX, f.eyeY, f.eyeZ, f.mapPsi, f.engineRpm, f.tempF, f.wb1, f.wb2,
                          f.markerLeftOffset, f.markerTopOffset, f.frameLeft, f.frameTop}) {
        FUZZ_REQUIRE(Finite(x), std::to_string(x));
    }
}

} // namespace fuzz
