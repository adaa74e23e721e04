// Sees every row the analysis judged plausible and of its table, with the judge's verdict: the
// delay estimate gathers its readings this way and never judges a row on its own.
#pragma once

#include "tune/RowJudge.h"
#include "tune/TableInForce.h"

class RowObserver {
public:
    virtual ~RowObserver() = default;
    virtual void beginLog(const TableInForce& tables) = 0;
    virtual void judged(const TuneRow& row, const RowVerdict& verdict) = 0;
    virtual void cellWritten(const CellWrite& write) = 0;
};
