// Live tuning's writes: the table kept first, then each cell written as a key edit writes it,
// as many a display frame as the line carries in that time, so the live view never waits.
#include "app/Form3D.h"
#include "link/Protocol.h"
#include "table/CsvGrid.h"
#include "tune/Suggestion.h"

#include <algorithm>
#include <cstdio>

namespace {

// The wire's work a frame may queue up ahead of it, at most.
constexpr double kMostQueuedMs = 34;

} // namespace

bool Form3D::ApplyTune(std::vector<TuneWrite> cells, TuneApplied done) {
    if (applying_ || cells.empty()) {
        return false;
    }
    std::string kept;
    if (archive_) {
        const auto keep = archive_->keep(HeldTable(), BackupKind::BeforeTune);
        if (const auto* error = std::get_if<FileError>(&keep)) {
            io_.status.showStatus("Nothing applied: the table could not be kept first: " +
                                  error->reason);
            return false;
        }
        kept = std::get<std::string>(keep);
    }
    applying_ = Applying{std::move(cells), 0, {}, kept, std::move(done), io_.timer.nowMs(),
                         kMostQueuedMs / 2};
    return true;
}

void Form3D::ApplyTune_Tick() {
    if (!applying_) {
        return;
    }
    Applying& a = *applying_;
    const std::int64_t now = io_.timer.nowMs();
    a.budgetMs = std::min(kMostQueuedMs, a.budgetMs + static_cast<double>(now - a.lastTickMs));
    a.lastTickMs = now;
    bool lost = false;
    while (a.next < a.cells.size() && a.budgetMs > 0) {
        const TuneWrite& w = a.cells[a.next];
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
    io_.status.showStatus(AppliedText(a, lost));
    std::vector<TuneWrite> written;
    for (const Applied& w : a.written) {
        written.push_back({w.cell, w.value});
    }
    TuneApplied done = std::move(a.done);
    applying_.reset();
    if (done) {
        done(written);
    }
}

std::string Form3D::AppliedText(const Applying& a, bool lost) const {
    double lowest = 0, highest = 0;
    for (std::size_t k = 0; k < a.written.size(); ++k) {
        const double change = ChangePercent(a.written[k].before, a.written[k].value);
        lowest = k ? std::min(lowest, change) : change;
        highest = k ? std::max(highest, change) : change;
    }
    char range[48];
    std::snprintf(range, sizeof range, ", %+.0f%% to %+.0f%%", lowest, highest);
    const std::string kept = a.keptAs.empty() ? "" : "; kept as " + a.keptAs;
    const std::string count = std::to_string(a.written.size());
    if (!lost) {
        return "Applied " + count + (a.written.size() == 1 ? " cell" : " cells") + range + kept;
    }
    const std::string through = a.written.empty() ? ""
                                                  : " (in index order, through the " +
                                                        CellPlace(a.written.back().cell) + ")";
    return "The apply stopped, the line lost: " + count + " of " + std::to_string(a.cells.size()) +
           " cells written" + through + "; the rest were not sent and will not be" + kept;
}
