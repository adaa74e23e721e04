// The live step of the receive handler: readouts, operating point, marker and marks.
#include "app/Form3D.h"
#include "link/Intake.h"
#include "link/LogEntry.h"
#include "link/Readouts.h"
#include "marker/MarkerPlacement.h"
#include "table/OperatingPoint.h"

void Form3D::LiveStep(const std::string& read) {
    const auto parsed = ParseLiveRecord(read);
    if (const auto* error = std::get_if<ParseError>(&parsed)) {
        // A broken record is dropped whole, so no readout shows half of it.
        ++recordsRejected_;
        io_.status.showStatus(DroppedRecordText(*error));
        return;
    }
    ++recordsShown_;
    const LiveReading reading = ReadingOf(std::get<LiveRecord>(parsed));
    mapPsi = reading.gaugePsi;
    engineRpm = reading.rpm;
    tempF = reading.tempF;
    wb1 = reading.wb1;
    wb2 = reading.wb2;
    for (const auto& [box, text] : TextsOf(reading, AirflowInHertz(intakeType, release_))) {
        io_.boxes.setText(box, text);
    }

    LogRecord(std::get<LiveRecord>(parsed));

    mapPsi = AbsolutePsi(mapPsi);
    const OperatingPoint point =
        FindOperatingPoint(veTable, engineRpm, mapPsi, {opPressureIndex, opRpmIndex});
    opPressureIndex = point.pressureIndex;
    opRpmIndex = point.rpmIndex;
    fullRedraw = 0;

    const MarkerPlacement at =
        PlaceMarker(release_, mapPsi, engineRpm, markerLeftOffset, markerTopOffset);
    io_.marker.move(at.left, at.top);
    ShapeMarker();
    DrawSurface();
}

void Form3D::LogSkippedRecord(const std::string& read) {
    if (!liveLog_ || !liveLog_->listening()) {
        return; // not recording: a skipped record is not even decoded
    }
    const auto parsed = ParseLiveRecord(read);
    if (const auto* record = std::get_if<LiveRecord>(&parsed)) {
        LogRecord(*record);
    }
}

// Found from the point the window holds before the record moves it, as the live step finds it.
void Form3D::LogRecord(const LiveRecord& record) {
    if (liveLog_ && liveLog_->listening()) {
        liveLog_->add(LogEntryOf(record, veTable, {opPressureIndex, opRpmIndex},
                                 AirflowInHertz(intakeType, release_)));
    }
}

LinkHealth Form3D::linkHealth() const {
    return {recordsShown_, framer_.skippedRecords(), recordsRejected_, framer_.droppedBytes()};
}
