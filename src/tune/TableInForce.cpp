#include "tune/TableInForce.h"

TableInForce::TableInForce(const VeTable& start, std::vector<CellWrite> writes)
    : start_(start), writes_(std::move(writes)), now_(start) {}

const VeTable& TableInForce::at(double timeS) {
    if (applied_ > 0 && timeS < writes_[applied_ - 1].timeS) {
        now_ = start_;
        applied_ = 0;
    }
    while (applied_ < writes_.size() && writes_[applied_].timeS <= timeS) {
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
