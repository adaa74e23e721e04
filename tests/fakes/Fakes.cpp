#include "Fakes.h"

#include <cmath>

bool FakeSerialPort::transmit(const std::string& text) {
    if (failTransmitAfter == 0) {
        log.push_back("tx failed " + text);
        return false;
    }
    if (failTransmitAfter > 0) {
        --failTransmitAfter;
    }
    log.push_back("tx " + text);
    return true;
}

std::vector<std::string> FakeSerialPort::sent() const {
    std::vector<std::string> texts;
    for (const std::string& entry : log) {
        if (entry.rfind("tx <", 0) == 0) {
            texts.push_back(entry.substr(3));
        }
    }
    return texts;
}

std::string FakeGrid::text(int row, int col) const {
    const auto it = texts.find({row, col});
    return it == texts.end() ? std::string() : it->second;
}

std::optional<Rgb> FakeGrid::paint(int row, int col) const {
    // The last paint of that cell.
    for (auto it = paintLog.rbegin(); it != paintLog.rend(); ++it) {
        if (it->first == std::pair(row, col)) {
            return it->second;
        }
    }
    return std::nullopt;
}

std::vector<CanvasOp> FakeCanvas::of(CanvasOp::Kind kind) const {
    std::vector<CanvasOp> found;
    for (const CanvasOp& op : ops) {
        if (op.kind == kind) {
            found.push_back(op);
        }
    }
    return found;
}

void FakeMarker::drawCircle(float x, float y, float r, Rgb colour) {
    circles.push_back({x, y, r, colour});
    // A 2-pixel pen: every pixel whose centre lies within one pixel of the outline.
    const float cx = x / kTwipsPerPixel, cy = y / kTwipsPerPixel, radius = r / kTwipsPerPixel;
    for (int py = 0; py < height; ++py) {
        for (int px = 0; px < width; ++px) {
            const float d = std::hypot(px + 0.5f - cx, py + 0.5f - cy);
            if (std::fabs(d - radius) <= 1.0f) {
                pixels[static_cast<std::size_t>(py * width + px)] = colour;
            }
        }
    }
}

Rgb FakeMarker::pixel(int x, int y) const {
    return pixels.at(static_cast<std::size_t>(y * width + x));
}

std::optional<std::string> FakeDialogs::answer() {
    std::optional<std::string> next;
    if (!answers.empty()) {
        next = answers.front();
        answers.pop_front();
    }
    return next;
}

std::optional<std::string> FakeDialogs::showOpen(const FileDialogRequest& request) {
    openRequests.push_back(request);
    return answer();
}

std::optional<std::string> FakeDialogs::showSave(const FileDialogRequest& request) {
    saveRequests.push_back(request);
    return answer();
}

CoreHarness::CoreHarness(Release release) : CoreHarness(release, grid, canvas, marker) {}

CoreHarness::CoreHarness(Release release, Grid& realGrid, Canvas& realCanvas,
                         MarkerPicture& realMarker)
    : form(release,
           Platform{serial, realGrid, realCanvas, realMarker, boxes, dialogs, status, timer}) {
    form.Form_Load();
}

void CoreHarness::Connect() {
    form.LetsGo();
    LineQuiet();
}

void CoreHarness::ConnectWithTable(const std::string& reply) {
    Connect();
    Receive(reply);
}

void CoreHarness::Receive(const std::string& text) {
    Feed(text);
    LineQuiet();
}

void CoreHarness::Feed(const std::string& text) {
    serial.pending += text;
    form.ProcessSerialInput();
}

void CoreHarness::LineQuiet() {
    if (timer.runningMs > 0) {
        timer.now += timer.runningMs;
        timer.runningMs = 0;
        form.SerialQuiet_Timer();
    }
}

std::string TableReplyText(int (*cell)(int), int intakeCode) {
    std::string text;
    for (int i = 0; i < 400; ++i) {
        text += std::to_string(cell(i)) + ",";
    }
    for (int r = 0; r < 20; ++r) {
        text += std::to_string(5 * (r + 1)) + ","; // 500 to 10000 RPM
    }
    for (int p = 0; p < 20; ++p) {
        text += std::to_string(5 + 2 * p) + ","; // 5 to 43 PSI absolute
    }
    return text + std::to_string(intakeCode);
}
