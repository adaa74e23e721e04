// Recording stand-ins for every interface the core reaches the world through.
#pragma once

#include "app/Form3D.h"
#include "common/Twips.h"

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// Logs every call as text ("open", "tx <201>"); can be fed input and told to fail.
class FakeSerialPort : public SerialPort {
public:
    void setPortNumber(std::int16_t number) override {
        port = number;
        log.push_back("port " + std::to_string(number));
    }
    void setSettings(const std::string& settings) override {
        log.push_back("settings " + settings);
    }
    void setReceiveThreshold(std::int16_t bytes) override {
        log.push_back("threshold " + std::to_string(bytes));
    }
    bool setPortOpen(bool open) override {
        log.push_back(open ? "open" : "close");
        return !(open && failOpen);
    }
    bool transmit(const std::string& text) override;
    std::string receiveAll() override {
        log.push_back("rx");
        return std::exchange(pending, {});
    }
    std::string errorText() const override { return "fake failure"; }
    std::string portName() const override { return "COM " + std::to_string(port) + " (fake)"; }

    std::vector<std::string> sent() const; // the transmitted texts alone, in order

    std::vector<std::string> log;
    std::string pending; // what the next receiveAll returns
    bool failOpen = false;
    int failTransmitAfter = -1; // transmits that succeed before every further one fails
    std::int16_t port = 0;
};

class FakeGrid : public Grid {
public:
    void setColWidth(int, int) override {}
    void setRowHeight(int, int) override {}
    void setCellBackground(Rgb colour) override { background = colour; }
    void setTextAt(int row, int col, const std::string& text) override {
        texts[{row, col}] = text;
        ++textWrites;
    }
    void setRow(int r) override { currentRow = r; }
    void setCol(int c) override { currentCol = c; }
    int row() const override { return currentRow; }
    int col() const override { return currentCol; }
    void paintCurrentCell(Rgb colour) override {
        paintLog.push_back({{currentRow, currentCol}, colour});
    }

    std::string text(int row, int col) const;
    std::optional<Rgb> paint(int row, int col) const;

    Rgb background{};
    std::map<std::pair<int, int>, std::string> texts;
    std::vector<std::pair<std::pair<int, int>, Rgb>> paintLog; // (row, col), colour
    int textWrites = 0;
    int currentRow = 0;
    int currentCol = 0;
};

struct CanvasOp {
    enum Kind { ForeColor, BackColor, MoveTo, LineTo, Line, Circle, Refresh } kind;
    float a = 0, b = 0, c = 0, d = 0; // coordinates, or the radius as c for a circle
    Rgb colour{};
};

class FakeCanvas : public Canvas {
public:
    void setForeColor(Rgb colour) override {
        ops.push_back({CanvasOp::ForeColor, 0, 0, 0, 0, colour});
    }
    void setBackColor(Rgb colour) override {
        ops.push_back({CanvasOp::BackColor, 0, 0, 0, 0, colour});
    }
    void moveTo(float x, float y) override { ops.push_back({CanvasOp::MoveTo, x, y}); }
    void lineTo(float x, float y) override { ops.push_back({CanvasOp::LineTo, x, y}); }
    void line(float x1, float y1, float x2, float y2) override {
        ops.push_back({CanvasOp::Line, x1, y1, x2, y2});
    }
    void circle(float x, float y, float r, Rgb colour) override {
        ops.push_back({CanvasOp::Circle, x, y, r, 0, colour});
    }
    void refresh() override { ops.push_back({CanvasOp::Refresh}); }
    void setFrameOrigin(float left, float top) override { frames.emplace_back(left, top); }

    std::vector<CanvasOp> of(CanvasOp::Kind kind) const;
    std::vector<CanvasOp> ops;
    std::vector<std::pair<float, float>> frames;
};

// The 25 x 29 pixel picture box held as pixels; circles are drawn as 2-pixel rings.
class FakeMarker : public MarkerPicture {
public:
    void move(float left, float top) override { moves.emplace_back(left, top); }
    void setBorderless() override {}
    void setAutoRedraw(bool) override {}
    void setDrawWidth(int) override {}
    float scaleWidth() const override { return static_cast<float>(width * kTwipsPerPixel); }
    float scaleHeight() const override { return static_cast<float>(height * kTwipsPerPixel); }
    float twipsPerPixelX() const override { return kTwipsPerPixel; }
    float twipsPerPixelY() const override { return kTwipsPerPixel; }
    void drawCircle(float x, float y, float r, Rgb colour) override;
    Rgb pixel(int x, int y) const override;
    void applyShape(const Region& shape) override { shapes.push_back(shape); }

    static constexpr int width = 25;
    static constexpr int height = 29;
    std::vector<Rgb> pixels = std::vector<Rgb>(width * height, Rgb{236, 233, 216});
    std::vector<std::pair<float, float>> moves;
    std::vector<Region> shapes;
    struct Circle {
        float x, y, r;
        Rgb colour;
    };
    std::vector<Circle> circles;
};

class FakeTextBoxes : public TextBoxes {
public:
    void setText(TextBox box, const std::string& text) override {
        texts[box] = text;
        ++writes;
    }
    void setTextColour(TextBox box, Rgb colour) override { colours[box] = colour; }
    std::map<TextBox, std::string> texts;
    std::map<TextBox, Rgb> colours;
    int writes = 0;
};

// Answers each dialog from the queue; nullopt, or an empty queue, is the user cancelling.
class FakeDialogs : public FileDialogs {
public:
    std::optional<std::string> showOpen(const FileDialogRequest& request) override;
    std::optional<std::string> showSave(const FileDialogRequest& request) override;
    std::deque<std::optional<std::string>> answers;
    std::vector<FileDialogRequest> openRequests;
    std::vector<FileDialogRequest> saveRequests;

private:
    std::optional<std::string> answer();
};

// Time stands still unless a test moves it; the quiet timer fires only when a test says so.
class FakeTimer : public LinkTimer {
public:
    void start(int milliseconds) override { runningMs = milliseconds; }
    void stop() override { runningMs = 0; }
    std::int64_t nowMs() const override { return now; }
    int runningMs = 0; // 0 when stopped
    std::int64_t now = 0;
};

class FakeStatus : public StatusLine {
public:
    void showStatus(const std::string& text) override { lines.push_back(text); }
    std::string last() const { return lines.empty() ? std::string() : lines.back(); }
    std::vector<std::string> lines;
};

// Keeps nothing on disk: notes what the serial line had sent when the table was kept.
class FakeArchive : public TableArchive {
public:
    static constexpr const char* kKeptPath = "/docs/Torvex tables/t-before-tune.json";
    explicit FakeArchive(const FakeSerialPort& serial) : serial_(serial) {}
    std::variant<std::string, FileError> keep(const TableFile& file, BackupKind kind) override {
        kinds.push_back(kind);
        sentWhenKept = serial_.sent().size();
        kept = file;
        if (fail) {
            return FileError{"the disk is full"};
        }
        return std::string(kKeptPath);
    }
    std::vector<BackupKind> kinds;
    std::size_t sentWhenKept = 0;
    TableFile kept;
    bool fail = false;

private:
    const FakeSerialPort& serial_;
};

// A Form3D wired to fresh fakes, or to the real grid, canvas and marker adapters in their place.
struct CoreHarness {
    explicit CoreHarness(Release release = Release::V17);
    CoreHarness(Release release, Grid& realGrid, Canvas& realCanvas, MarkerPicture& realMarker);
    FakeSerialPort serial;
    FakeGrid grid;
    FakeCanvas canvas;
    FakeMarker marker;
    FakeTextBoxes boxes;
    FakeDialogs dialogs;
    FakeStatus status;
    FakeTimer timer;
    Form3D form;

    // Connect, then the line falls quiet so the table is requested.
    void Connect();
    // Connects, then receives a whole table reply.
    void ConnectWithTable(const std::string& reply);
    // One read: the bytes arrive, then the line falls quiet.
    void Receive(const std::string& text);
    // Bytes arrive; the line may go on talking.
    void Feed(const std::string& text);
    void LineQuiet();
};

// A 441-field reply: cells from a function of the index, RPM breakpoints 500 to 10000, pressure
// breakpoints 5 to 43 PSI, then the intake type.
std::string TableReplyText(int (*cell)(int), int intakeCode = 1);
