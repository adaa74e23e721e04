// Loading a table file into the table and writing every cell to the device.
#include "app/Form3D.h"
#include "link/Intake.h"
#include "link/Protocol.h"
#include "table/TableFit.h"
#include "table/TableFormats.h"
#include "table/VetFile.h"

#include <algorithm>

std::variant<Form3D::Cells, std::string> Form3D::CellsToLoad(const std::string& fileName) const {
    Cells cells{};
    if (!IsTextTable(fileName)) {
        // Anything but our own .json and .csv is .vet bytes, as the window has always read them.
        const auto read = ReadVetFile(fileName);
        if (const auto* error = std::get_if<FileError>(&read)) {
            return error->reason;
        }
        const VetCells& bytes = std::get<VetCells>(read);
        std::copy(bytes.begin(), bytes.end(), cells.begin());
        return cells;
    }
    const auto read = ReadTableFile(fileName);
    if (const auto* error = std::get_if<FileError>(&read)) {
        return error->reason;
    }
    const TableFile& file = std::get<TableFile>(read);
    if (file.hasBreakpoints && !heldFromDevice_) {
        return "Not loaded: " + fileName +
               " holds breakpoints, and the device's are not known until its table has come";
    }
    const DeviceShape device{heldFromDevice_ ? &veTable : nullptr, IntakeTypesOf(release_)};
    if (const auto why = FitRefusal(file, device)) {
        return "Not loaded, " + fileName + ": " + *why;
    }
    std::copy_n(file.table.begin(), kCellCount, cells.begin());
    return cells;
}

void Form3D::LoadAndSendTable(const std::string& fileName) {
    const auto read = CellsToLoad(fileName);
    if (const auto* why = std::get_if<std::string>(&read)) {
        io_.status.showStatus(*why);
        return;
    }
    const Cells& cells = std::get<Cells>(read);
    // The device's table, with any key edits, before the file's cells replace it.
    const std::string kept = heldFromDevice_ ? KeepTable(BackupKind::BeforeLoad) : "";
    if (release_ == Release::V12) {
        // This release only reads the cells: nothing is sent and the views stay as they were.
        std::copy(cells.begin(), cells.end(), veTable.begin());
        io_.status.showStatus("Loaded " + fileName + kept);
        return;
    }
    for (int k = 0; k < kCellCount; ++k) {
        veTable[k] = cells[k];
        if (!SendCell(k)) {
            return; // the load ends at this cell; Send has said why
        }
    }
    awaitingTable = 0;
    io_.status.showStatus("Loaded " + fileName + " and sent it to the device" + kept);
    BuildSurface();
}
