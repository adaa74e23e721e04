// A change of many cells written as key edits write them, as many a display frame as the line
// carries in that time, so the live view never waits; the table kept first.
#include "app/Form3D.h"
#include "link/Protocol.h"

#include <algorithm>

namespace {

// The wire's work a frame may queue up ahead of it, at most.
constexpr double kMostQueuedMs = 34;

} // namespace

std::optional<std::string> Form3D::WriteCells(std::vector<CellValue> cells, BackupKind kind,
                                              CellsDone done) {
    if (pacing_) {
        return "a change of the table is under way";
    }
    if (cells.empty()) {
        return "no cell to write";
    }
    std::string kept;
    if (archive_) {
        const auto keep = archive_->keep(HeldTable(), kind);
        if (const auto* error = std::get_if<FileError>(&keep)) {
            return "the table could not be kept first: " + error->reason;
        }
        kept = std::get<std::string>(keep);
    }
    pacing_ = Pacing{std::move(cells), 0, {}, std::move(kept), std::move(done), io_.timer.nowMs(),
                     kMostQueuedMs / 2};
    return std::nullopt;
}

void Form3D::WriteCells_Tick() {
    if (!pacing_) {
        return;
    }
    Pacing& a = *pacing_;
    const std::int64_t now = io_.timer.nowMs();
    a.budgetMs = std::min(kMostQueuedMs, a.budgetMs + static_cast<double>(now - a.lastTickMs));
    a.lastTickMs = now;
    bool lost = false;
    while (a.next < a.cells.size() && a.budgetMs > 0) {
        const CellValue& w = a.cells[a.next];
        const std::int16_t before = veTable[w.cell];
        veTable[w.cell] = w.value;
        if (!SendCell(w.cell)) {
            veTable[w.cell] = before; // not sent: the device still holds the old value
            lost = true;
            break;
        }
        a.budgetMs -=
            static_cast<double>(CellWriteMessage(w.cell, w.value).size()) / kLineBytesPerMs;
        io_.grid.setTextAt(RpmIndexOf(w.cell) + 1, PressureIndexOf(w.cell) + 1,
                           CellText(veTable, w.cell));
        surfacePoints[PressureIndexOf(w.cell)][RpmIndexOf(w.cell)].world[3] =
            SurfaceHeight(veTable, w.cell);
        a.written.push_back({w.cell, before, w.value});
        ++a.next;
    }
    if (!a.written.empty() || lost) {
        projectedEye_.reset();
        fullRedraw = 1;
        DrawSurface();
    }
    if (a.next < a.cells.size() && !lost) {
        return;
    }
    const CellsWritten result{std::move(a.written), a.cells.size(), lost, std::move(a.keptAs)};
    CellsDone done = std::move(a.done);
    pacing_.reset();
    if (done) {
        done(result);
    }
}
