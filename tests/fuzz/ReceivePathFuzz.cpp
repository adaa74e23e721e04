// The whole receive path: arbitrary bytes in arbitrary pieces into ProcessSerialInput, mixed with
// quiet-line ticks, Connect, real time on and off, intake items, keys, port faults, file loads and
// saves, in either release. The input is a release byte, then a script of events (see Step).
#include "Fakes.h"
#include "FuzzCheck.h"
#include "link/Protocol.h"

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>

namespace {

struct Script {
    std::uint8_t byte() { return pos < size ? data[pos++] : 0; }
    std::uint16_t word() {
        const int high = byte();
        return static_cast<std::uint16_t>(high << 8 | byte());
    }
    std::string bytes(std::size_t n) {
        std::string out(reinterpret_cast<const char*>(data + pos), std::min(n, size - pos));
        pos += out.size();
        return out;
    }
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos = 0;
};

// What an event may change in the table.
enum class May { Nothing, TakeReply, StepSelected, LoadCells };

May Step(CoreHarness& h, Script& s, const std::string& vet) {
    Form3D& f = h.form;
    switch (s.byte() % 16) {
    case 0:
    case 1:
    case 2:
        h.Feed(s.bytes(s.word() % 2048));
        return May::TakeReply;
    case 3: { // a long run of one piece: over the framer's bound cheaply
        const int count = 1 + s.byte() % 64;
        const std::string piece = s.bytes(1 + s.byte());
        std::string all;
        for (int i = 0; i < count; ++i) {
            all += piece;
        }
        h.Feed(all);
        return May::TakeReply;
    }
    case 4:
    case 5:
        h.LineQuiet();
        return May::TakeReply;
    case 6:
        h.timer.now += s.word(); // time passes without the timer firing
        return May::Nothing;
    case 7:
        f.mnuConnectToTVX_Click();
        return May::Nothing;
    case 8:
        f.btnRT_Click();
        return May::Nothing;
    case 9:
        f.btnCMDOFF_Click();
        return May::Nothing;
    case 10: {
        const int item = s.byte() % 3;
        item == 0 ? f.mnuSingleIntake_Click()
                  : (item == 1 ? f.mnuDualIntake_Click() : f.mnu3KGTKV_Click());
        return May::Nothing;
    }
    case 11: { // mostly the keys the window knows; now and then any code and modifiers
        static constexpr std::int16_t kKeys[] = {key::kLeft, key::kUp,    key::kRight,
                                                 key::kDown, key::kMinus, key::kEquals};
        const std::uint8_t k = s.byte();
        const std::int16_t code = k < 240 ? kKeys[k % 6] : static_cast<std::int16_t>(s.word());
        const std::uint8_t m = s.byte();
        f.Form_KeyDown(code, m < 240 ? m % 8 : static_cast<std::int16_t>(s.word()));
        return May::StepSelected;
    }
    case 12:
        WriteFile(vet, s.bytes(s.word() % 800));
        h.dialogs.answers.assign({vet});
        f.mnuLoadVEfromfile_Click();
        return May::LoadCells;
    case 13: { // bit 0: the port will not open; the rest: writes that succeed (100 up: all)
        const std::uint8_t b = s.byte();
        h.serial.failOpen = (b & 1) != 0;
        h.serial.failTransmitAfter = (b >> 1) >= 100 ? -1 : b >> 1;
        return May::Nothing;
    }
    case 14:
        f.mnuComPort_Click(static_cast<std::int16_t>(1 + s.byte() % 20));
        return May::Nothing;
    default:
        f.SaveVE(vet);
        return May::Nothing;
    }
}

// Sent texts are fixed commands, or the value a cell now holds written to that cell.
void CheckSent(const std::vector<std::string>& sent, const VeTable& table) {
    std::set<std::string> known{command::kRealTimeOff, command::kSendTable,
                                command::kRealTimeOn,  command::SetIntake(1),
                                command::SetIntake(2), command::SetIntake(3)};
    for (const std::string& text : sent) {
        if (known.size() == 6 && !known.contains(text)) {
            for (int k = 0; k < kCellCount; ++k) {
                known.insert(CellWriteMessage(k, table[k]));
            }
        }
        FUZZ_REQUIRE(known.contains(text));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string vet = ScratchFile("tvx-fuzz-receive");
    Script s{data, size};
    CoreHarness h(s.byte() % 2 == 0 ? Release::V17 : Release::V12);
    Form3D& f = h.form;
    while (s.pos < s.size) {
        const VeTable before = f.veTable;
        const std::int16_t intake = f.intakeType;
        const bool awaited = f.awaitingTable == 1;
        const std::int16_t selected = f.selectedCell;
        // What the fakes record is only needed for one event at a time.
        h.serial.log.clear();
        h.status.lines.clear();
        h.canvas.ops.clear();
        h.marker.circles.clear();

        const May may = Step(h, s, vet);

        FUZZ_REQUIRE(f.framer().pendingSize() <= InputFramer::kMaxPending);
        CheckSent(h.serial.sent(), f.veTable);
        // Only an awaited reply that was not refused changes the table and the intake type.
        const bool refused = std::ranges::any_of(
            h.status.lines, [](const std::string& line) { return line.starts_with("Table not"); });
        const bool reply = may == May::TakeReply && awaited && !refused;
        VeTable expected = before;
        if (may == May::StepSelected) {
            expected[selected] = f.veTable[selected];
        }
        FUZZ_REQUIRE(reply || may == May::LoadCells || f.veTable == expected);
        FUZZ_REQUIRE(reply || f.intakeType == intake);
    }
    std::remove(vet.c_str()); // libFuzzer may end the process without running atexit
    return 0;
}
