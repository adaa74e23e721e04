// The receive handler and the quiet-line timer: what arrives goes to the download step or the
// live step once the framer has made a whole read of it.
#include "app/Form3D.h"
#include "link/Protocol.h"

void Form3D::ProcessSerialInput() {
    if (linkActive != 1) {
        return;
    }
    const std::string read = io_.serial.receiveAll();
    if (drain_.active()) {
        switch (drain_.onInput(io_.timer.nowMs(), !read.empty())) {
        case StreamDrain::Next::GiveUp:
            awaitingTable = 0;
            io_.status.showStatus(kKeptStreamingText);
            break;
        case StreamDrain::Next::WaitAgain:
            io_.timer.start(quiet::kDrainMs);
            break;
        case StreamDrain::Next::KeepWaiting:
            break;
        }
        return;
    }
    if (read.empty()) {
        return;
    }
    framer_.feed(read);
    HandleFramedInput(false);
    if (framer_.pendingSize() > 0) {
        io_.timer.start(awaitingTable == 1 ? quiet::kReplyMs : quiet::kRecordMs);
    }
}

void Form3D::SerialQuiet_Timer() {
    if (drain_.active()) {
        drain_.stop();
        io_.serial.receiveAll(); // anything that trickled in is still the old stream
        Send(command::kSendTable);
        return;
    }
    if (linkActive == 1) {
        HandleFramedInput(true);
    }
}

void Form3D::SerialPortLost(const std::string& what) {
    // Half a reply or record from before the loss must not be decoded later.
    framer_.clear();
    drain_.stop();
    io_.timer.stop();
    io_.status.showStatus("Port lost: " + what + "; choose Connect once the device is back");
}

void Form3D::HandleFramedInput(bool lineQuiet) {
    if (awaitingTable == 1) {
        const std::optional<std::string> reply = framer_.takeTableReply(lineQuiet);
        if (!reply) {
            return;
        }
        DownloadStep(*reply);
        if (realTimeOn == 1) {
            LiveStep(*reply); // real time was switched on before the reply came
        }
    }
    if (realTimeOn == 1) {
        const std::vector<std::string> records = framer_.takeRecords(lineQuiet);
        for (std::size_t i = 0; i + 1 < records.size(); ++i) {
            LogSkippedRecord(records[i]); // a burst shows only its newest record
        }
        if (!records.empty()) {
            LiveStep(records.back());
        }
    } else {
        framer_.clear(); // nobody asked for this input: read and dropped
    }
}
