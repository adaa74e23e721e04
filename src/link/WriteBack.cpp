// Loading a .vet file into the table and writing every cell to the device.
#include "app/Form3D.h"
#include "link/Protocol.h"
#include "table/VetFile.h"

#include <algorithm>

void Form3D::LoadAndSendTable(const std::string& fileName) {
    const auto read = ReadVetFile(fileName);
    if (const auto* error = std::get_if<FileError>(&read)) {
        io_.status.showStatus(error->reason);
        return;
    }
    const VetCells& cells = std::get<VetCells>(read);
    // The device's table, with any key edits, before the file's cells replace it.
    const std::string kept = heldFromDevice_ ? KeepTable(BackupKind::BeforeLoad) : "";
    if (release_ == Release::V12) {
        // This release only reads the cells: nothing is sent and the views stay as they were.
        std::copy(cells.begin(), cells.end(), veTable.begin());
        io_.status.showStatus("Loaded " + fileName + kept);
        return;
    }
    for (int k = 0; k < kVetFileBytes; ++k) {
        veTable[k] = cells[k];
        if (!Send(CellWriteMessage(k, veTable[k]))) {
            return; // the load ends at this cell; Send has said why
        }
    }
    awaitingTable = 0;
    io_.status.showStatus("Loaded " + fileName + " and sent it to the device" + kept);
    BuildSurface();
}
