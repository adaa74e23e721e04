// The File menu's load and save items, and saving the cells.
#include "app/Form3D.h"
#include "link/Intake.h"
#include "table/TableFormats.h"
#include "table/VetFile.h"

namespace {

constexpr const char* kVetFilter = "VE Table Files (*.vet)|*.vet|All Files (*.*)|*.*";

} // namespace

void Form3D::mnuLoadVEfromfile_Click() {
    const auto chosen = io_.dialogs.showOpen({"Open VE File", kVetFilter, dialogFileName_});
    if (!chosen) {
        return;
    }
    dialogFileName_ = *chosen;
    tableFileName = *chosen;
    LoadAndSendTable(tableFileName);
}

void Form3D::mnuSaveVEtofile_Click() {
    dialogFileName_.clear();
    const auto chosen = io_.dialogs.showSave({"Save VE File", kVetFilter, dialogFileName_});
    if (!chosen) {
        return;
    }
    dialogFileName_ = *chosen;
    tableFileName = *chosen;
    SaveVE(tableFileName);
}

std::string Form3D::KeepTable(BackupKind kind) {
    if (!archive_ || (kind == BackupKind::Downloaded && lastKept_ == veTable)) {
        return "";
    }
    const auto kept = archive_->keep(HeldTable(), kind);
    if (const auto* error = std::get_if<FileError>(&kept)) {
        return "; the table could not be kept: " + error->reason;
    }
    if (kind == BackupKind::Downloaded) {
        lastKept_ = veTable;
    }
    return "; kept as " + std::get<std::string>(kept);
}

TableFile Form3D::HeldTable() const {
    const bool known = heldFromDevice_ && ReportedIntakeText(intakeType, release_);
    return {veTable, heldFromDevice_, known ? std::optional(intakeType) : std::nullopt};
}

void Form3D::SaveVE(const std::string& fileName) {
    // A cell a .vet cannot hold would come back as another value: nothing is written.
    if (const auto why = IsTextTable(fileName) ? std::nullopt : VetRefusal(veTable)) {
        io_.status.showStatus("Not saved, " + fileName + ": " + *why);
        return;
    }
    // Our own .json and .csv hold the breakpoints and intake type too, once the device gave them.
    const auto written = IsTextTable(fileName) ? WriteTableFile(fileName, HeldTable())
                                               : WriteVetFile(fileName, VetCellsOf(veTable));
    if (const auto* error = std::get_if<FileError>(&written)) {
        io_.status.showStatus(error->reason);
        return;
    }
    io_.status.showStatus("Saved the table to " + fileName);
}
