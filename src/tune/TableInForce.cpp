#include "tune/TableInForce.h"

TableInForce::TableInForce(const VeTable& start, std::vector<CellWrite> writes)
    : start_(start), writes_(std::move(writes)), now_(start) {}

const VeTable& TableInForce::at(double timeS) {
    if (applied_ > 0 && timeS < writes_[applied_ - 1].timeS) {
        now_ = start_;
        applied_ = 0;
        before_.clear();
    }
    while (applied_ < writes_.size() && writes_[applied_].timeS <= timeS) {
        before_.push_back(now_[writes_[applied_].cell]);
        now_[writes_[applied_].cell] = writes_[applied_].value;
        ++applied_;
    }
    return now_;
}

VeTable TableInForce::last() const {
    VeTable table = start_;
    for (const CellWrite& w : writes_) {
        table[w.cell] = w.value;
    }
    return table;
}

bool TableInForce::held(int cell, double value, double timeS, double slackS) {
    if (at(timeS)[cell] == value) {
        return true;
    }
    for (std::size_t k = applied_; k-- > 0 && writes_[k].timeS >= timeS - slackS;) {
        if (writes_[k].cell == cell && before_[k] == value) {
            return true;
        }
    }
    return false;
}
