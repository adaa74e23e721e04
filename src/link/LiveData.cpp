// The live step of the receive handler: readouts, operating point, marker and marks.
#include "app/Form3D.h"
#include "link/Protocol.h"
#include "link/Readouts.h"

void Form3D::LiveStep(const std::string& read) {
    const auto parsed = ParseLiveRecord(read);
    if (const auto* error = std::get_if<ParseError>(&parsed)) {
        // A broken record is dropped whole, so no readout shows half of it.
        io_.status.showStatus("Dropped a " + error->reason);
        return;
    }
    const LiveRecord& record = std::get<LiveRecord>(parsed);
    TextBoxes& boxes = io_.boxes;

    mapPsi = static_cast<float>(record.pressure - 14.67);
    boxes.setText(TextBox::Pressure, FormatFixed(mapPsi, 1) + " PSI");
    engineRpm = record.rpm;
    if (!(engineRpm >= 150.0f)) {
        engineRpm = 0.0f;
    }
    boxes.setText(TextBox::Rpm, FormatFixed(engineRpm, 0) + " RPM");
    tempF = record.temperature;
    boxes.setText(TextBox::Temp, FormatGeneral(tempF) + " F");
    wb1 = record.wideband1;
    boxes.setText(TextBox::WB1, FormatFixed(wb1, 1) + " A/F");
    wb2 = record.wideband2;
    boxes.setText(TextBox::WB2, FormatFixed(wb2, 1) + " A/F");
    if (intakeType == 3 && release_ == Release::V17) {
        boxes.setText(TextBox::MAFOut, FormatFixed(record.airflow, 1) + "Hz");
    } else {
        boxes.setText(TextBox::MAFOut, FormatFixed(record.airflow, 2) + "V Out");
    }

    const float q = engineRpm / 100.0f;
    for (int k = 0; k < kLatticeSize; ++k) {
        if (q > static_cast<float>(RpmBreakpoint(veTable, k))) {
            opRpmIndex = static_cast<std::uint8_t>(k);
        }
    }
    mapPsi = static_cast<float>(static_cast<double>(mapPsi) + 14.67);
    for (int k = 0; k < kLatticeSize; ++k) {
        if (mapPsi > static_cast<float>(PressureBreakpoint(veTable, k))) {
            opPressureIndex = static_cast<std::uint8_t>(k);
        }
    }
    fullRedraw = 0;

    float left = 0;
    float top = 0;
    if (release_ == Release::V12) {
        left = mapPsi * 0.58f + markerLeftOffset;
        top = engineRpm / -450.0f + markerTopOffset;
    } else {
        left = (mapPsi + 1.0f) * 0.58f + markerLeftOffset;
        top = engineRpm / -600.0f + markerTopOffset;
    }
    io_.marker.move(left, top);
    ShapeMarker();
    DrawSurface();
}
