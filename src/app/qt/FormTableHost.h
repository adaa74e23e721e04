// The window's core as live tuning and the Table window see it: through its narrow interface, never
// whole.
#pragma once

#include "app/Form3D.h"
#include "table/TableHost.h"

class FormTableHost final : public TableHost {
public:
    explicit FormTableHost(Form3D& form) : form_(form) {}
    TableFile heldTable() const override { return form_.HeldTable(); }
    std::optional<std::string> writeCells(std::vector<CellValue> cells, BackupKind kind,
                                          CellsDone done) override {
        return form_.WriteCells(std::move(cells), kind, std::move(done));
    }
    void writeCellsTick() override { form_.WriteCells_Tick(); }
    bool writingCells() const override { return form_.writingCells(); }
    bool awaitingTable() const override { return form_.awaitingTable != 0; }
    std::optional<int> engineCell() const override {
        return form_.realTimeOn == 1
                   ? std::optional(CellIndex(form_.opPressureIndex, form_.opRpmIndex))
                   : std::nullopt;
    }

private:
    Form3D& form_;
};
