// The receive path fed any bytes in any pieces, between quiet-line ticks, Connect, real time on
// and off, intakes, keys, port faults, loads and saves: a release byte, then events (see Step).
#include "CommandParser.h"
#include "Fakes.h"
#include "FuzzCheck.h"

#include <algorithm>
#include <cstdint>
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

// One event, chosen by the next byte; what it needs follows that byte.
void Step(CoreHarness& h, Script& s) {
    const int event = s.byte() % 16;
    if (event < 3) {
        h.Feed(s.bytes(s.word() % 2048));
    } else if (event == 3) { // a long run of one piece: over the framer's bound cheaply
        const int count = 1 + s.byte() % 64;
        const std::string piece = s.bytes(1 + s.byte());
        std::string run;
        for (int i = 0; i < count; ++i) {
            run += piece;
        }
        h.Feed(run);
    } else if (event < 6) {
        h.LineQuiet();
    } else if (event == 6) {
        h.timer.now += s.word(); // time passes without the timer firing
    } else if (event == 7) {
        h.form.mnuConnectToTVX_Click();
    } else if (event == 8) {
        h.form.btnRT_Click();
    } else if (event == 9) {
        h.form.btnCMDOFF_Click();
    } else if (event == 10) {
        const int item = s.byte() % 3;
        item == 0 ? h.form.mnuSingleIntake_Click()
                  : (item == 1 ? h.form.mnuDualIntake_Click() : h.form.mnu3KGTKV_Click());
    } else if (event == 11) { // mostly the keys the window knows; now and then any code and bits
        static constexpr std::int16_t kKeys[] = {key::kLeft, key::kUp,    key::kRight,
                                                 key::kDown, key::kMinus, key::kEquals};
        const std::uint8_t k = s.byte();
        const std::int16_t code = k < 240 ? kKeys[k % 6] : static_cast<std::int16_t>(s.word());
        const std::uint8_t m = s.byte();
        h.form.Form_KeyDown(code, m < 240 ? m % 8 : static_cast<std::int16_t>(s.word()));
    } else if (event == 12) {
        WriteFile(scratchFile, s.bytes(s.word() % 800));
        h.form.LoadAndSendTable(scratchFile);
    } else if (event == 13) { // bit 0: the port will not open; the rest: writes that succeed
        const std::uint8_t b = s.byte();
        h.serial.failOpen = (b & 1) != 0;
        h.serial.failTransmitAfter = (b >> 1) >= 100 ? -1 : b >> 1; // 100 up: all
    } else if (event == 14) {
        h.form.mnuComPort_Click(static_cast<std::int16_t>(1 + s.byte() % 20));
    } else {
        h.form.SaveVE(scratchFile);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Script s{data, size};
    CoreHarness h(s.byte() % 2 == 0 ? Release::V17 : Release::V12);
    while (s.pos < s.size) {
        h.serial.log.clear(); // what is sent is checked one event at a time
        Step(h, s);
        FUZZ_REQUIRE(h.form.framer().pendingSize() <= InputFramer::kMaxPending);
        // Every text sent is a command the device takes; a cell is sent the value it now holds.
        for (const std::string& text : h.serial.sent()) {
            const std::optional<tvxsim::Command> sent = tvxsim::parseCommand(text);
            FUZZ_REQUIRE(sent && (sent->kind != tvxsim::Command::Kind::WriteCell ||
                                  h.form.veTable[sent->index] == sent->value));
        }
    }
    std::remove(scratchFile.c_str()); // libFuzzer may end the process without running atexit
    return 0;
}
