#include "edit/TableHistory.h"

#include <utility>

void TableHistory::record(HistoryStep step) {
    if (step.changes.empty()) {
        return;
    }
    steps_.resize(done_);
    steps_.push_back(std::move(step));
    if (steps_.size() > kMaxSteps) {
        steps_.pop_front();
    }
    done_ = steps_.size();
}

std::optional<std::string> TableHistory::undoLabel() const {
    return done_ > 0 ? std::optional(steps_[done_ - 1].label) : std::nullopt;
}

std::optional<std::string> TableHistory::redoLabel() const {
    return done_ < steps_.size() ? std::optional(steps_[done_].label) : std::nullopt;
}

std::optional<HistoryStep> TableHistory::undo() {
    if (done_ == 0) {
        return std::nullopt;
    }
    HistoryStep back = steps_[--done_];
    for (CellChange& change : back.changes) {
        std::swap(change.before, change.after);
    }
    return back;
}

std::optional<HistoryStep> TableHistory::redo() {
    if (done_ == steps_.size()) {
        return std::nullopt;
    }
    return steps_[done_++];
}

void TableHistory::clear() {
    steps_.clear();
    done_ = 0;
}
