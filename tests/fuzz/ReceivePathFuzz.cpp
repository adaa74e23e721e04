// The whole receive path: arbitrary bytes in arbitrary pieces into ProcessSerialInput, mixed with
// quiet-line ticks, Connect, real time on and off, intake items, keys, port faults and file loads,
// in either release. The input is a script of events; see make_seeds.py for its encoding.
#include "FuzzPlatform.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <variant>

namespace {

class Script {
public:
    Script(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool done() const { return pos_ >= size_; }
    std::uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    std::uint16_t word() {
        const std::uint16_t high = byte();
        return static_cast<std::uint16_t>(high << 8 | byte());
    }
    std::string bytes(std::size_t n) {
        n = std::min(n, size_ - std::min(pos_, size_));
        std::string out(reinterpret_cast<const char*>(data_ + pos_), n);
        pos_ += n;
        return out;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

const std::string& VetPath() {
    static const std::string path = fuzz::ScratchFile("tvx-fuzz-receive");
    return path;
}

// The end of the 441st field: the separator after it, or the end of the text.
std::size_t EndOfReplyFields(const std::string& text) {
    std::size_t commas = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ',' && ++commas == kTableReplyFields - 1) {
            const std::size_t end = text.find_first_of(",\r\n", i + 1);
            return end == std::string::npos ? text.size() : end;
        }
    }
    return text.size();
}

// Whether the table and intake type are what a whole, valid reply framed from these bytes
// gives. The reply starts where the framer's pending input starts: at the front, or after the
// bytes it dropped for being over its bound.
bool IsFramedReply(const std::string& input, const VeTable& table, std::int16_t intake) {
    std::vector<std::size_t> starts{0};
    if (input.size() > InputFramer::kMaxPending) {
        starts.push_back(input.size() - InputFramer::kMaxPending / 2);
    }
    for (const std::size_t start : starts) {
        const std::string text = input.substr(start);
        for (const std::string& reply : {text.substr(0, EndOfReplyFields(text)), text}) {
            const auto parsed = ParseTableReply(reply);
            if (const auto* r = std::get_if<TableReply>(&parsed)) {
                if (r->table == table && r->intakeType == intake) {
                    return true;
                }
            }
        }
    }
    return false;
}

enum class Event { Receive, Other, Key, Load };

class Session {
public:
    explicit Session(Release release) : form_(release, rig_.platform()) { form_.Form_Load(); }

    void Step(Script& s) {
        before_ = form_.veTable;
        intakeBefore_ = form_.intakeType;
        awaitingBefore_ = form_.awaitingTable;
        selectedBefore_ = form_.selectedCell;
        rig_.serial.delivered.clear();
        rig_.boxes.readoutWrites = 0;
        framed_ = false;

        const Event event = Run(s);

        fuzz::CheckState(form_);
        FUZZ_REQUIRE(rig_.boxes.readoutWrites % 6 == 0, "half a record shown");
        CheckPending();
        CheckTable(event);
    }

private:
    Event Run(Script& s) {
        switch (s.byte() % 16) {
        case 0:
        case 1:
        case 2:
            Arrive(s.bytes(s.word() % 2048));
            return Event::Receive;
        case 3: {
            // A long run of one piece: overflows the framer's bound cheaply.
            const int count = 1 + s.byte() % 64;
            const std::string piece = s.bytes(1 + s.byte());
            std::string all;
            for (int i = 0; i < count; ++i) {
                all += piece;
            }
            Arrive(all);
            return Event::Receive;
        }
        case 4:
        case 5:
            if (rig_.timer.runningMs > 0) {
                rig_.timer.now += rig_.timer.runningMs;
                rig_.timer.runningMs = 0;
                form_.SerialQuiet_Timer();
                framed_ = true;
            }
            return Event::Receive;
        case 6:
            rig_.timer.now += s.word(); // time passes without the timer firing
            return Event::Other;
        case 7:
            form_.mnuConnectToTVX_Click();
            return Event::Other;
        case 8:
            form_.btnRT_Click();
            return Event::Other;
        case 9:
            form_.btnCMDOFF_Click();
            return Event::Other;
        case 10: {
            const int item = s.byte() % 3;
            if (item == 0) {
                form_.mnuSingleIntake_Click();
            } else if (item == 1) {
                form_.mnuDualIntake_Click();
            } else {
                form_.mnu3KGTKV_Click();
            }
            return Event::Other;
        }
        case 11:
            PressKey(s);
            return Event::Key;
        case 12:
            Load(s);
            return Event::Load;
        case 13: {
            const std::uint8_t b = s.byte();
            rig_.serial.failOpen = (b & 1) != 0;
            rig_.serial.transmitBudget = (b >> 1) >= 100 ? -1 : b >> 1;
            return Event::Other;
        }
        case 14:
            form_.mnuComPort_Click(static_cast<std::int16_t>(1 + s.byte() % 20));
            return Event::Other;
        default:
            form_.SaveVE(VetPath());
            return Event::Other;
        }
    }

    void Arrive(const std::string& bytes) {
        rig_.serial.pending += bytes;
        form_.ProcessSerialInput();
        framed_ = !rig_.serial.delivered.empty();
    }

    void PressKey(Script& s) {
        static constexpr std::int16_t kKeys[] = {key::kLeft, key::kUp,    key::kRight,
                                                 key::kDown, key::kMinus, key::kEquals};
        const std::uint8_t k = s.byte();
        keyCode_ = k < 240 ? kKeys[k % 6] : static_cast<std::int16_t>(s.word());
        const std::uint8_t m = s.byte();
        const std::int16_t shift = m < 240 ? m % 8 : static_cast<std::int16_t>(s.word());
        form_.Form_KeyDown(keyCode_, shift);
    }

    void Load(Script& s) {
        fileBytes_ = s.bytes(s.word() % 800);
        fuzz::WriteFile(VetPath(), fileBytes_);
        budgetAtLoad_ = rig_.serial.transmitBudget;
        rig_.dialogs.answer = VetPath();
        form_.mnuLoadVEfromfile_Click();
    }

    // The framer's pending input is always the newest part of what it was given.
    void CheckPending() {
        const std::string input = pending_ + rig_.serial.delivered;
        const std::size_t size = form_.framer().pendingSize();
        FUZZ_REQUIRE(size <= input.size(), "framer holds bytes it was never given");
        lastInput_ = input;
        pending_ = input.substr(input.size() - size);
        // Input that reached the framer while nobody asked for it is dropped at once.
        if (framed_ && form_.awaitingTable == 0 && form_.realTimeOn == 0) {
            FUZZ_REQUIRE(size == 0, "input nobody asked for was kept");
        }
    }

    void CheckTable(Event event) {
        const VeTable& now = form_.veTable;
        const bool changed = now != before_ || form_.intakeType != intakeBefore_;
        switch (event) {
        case Event::Receive:
            if (changed) {
                FUZZ_REQUIRE(awaitingBefore_ == 1 && form_.awaitingTable == 0,
                             "table changed while no reply was awaited");
                FUZZ_REQUIRE(IsFramedReply(lastInput_, now, form_.intakeType),
                             "table is not a whole valid reply");
            }
            return;
        case Event::Key: {
            FUZZ_REQUIRE(form_.intakeType == intakeBefore_, "a key changed the intake type");
            const int step = keyCode_ == key::kMinus ? -1 : keyCode_ == key::kEquals ? 1 : 0;
            VeTable expected = before_;
            if (step != 0 && now[selectedBefore_] != before_[selectedBefore_]) {
                expected[selectedBefore_] =
                    static_cast<std::int16_t>(before_[selectedBefore_] + step);
            }
            FUZZ_REQUIRE(now == expected, "a key changed more than the selected cell by one");
            return;
        }
        case Event::Load:
            CheckLoad();
            return;
        case Event::Other:
            FUZZ_REQUIRE(!changed, "table changed outside a reply, key or load");
            return;
        }
    }

    // A refused file changes nothing; an accepted one replaces the cells, up to and including
    // the first cell whose write the port refused.
    void CheckLoad() {
        FUZZ_REQUIRE(form_.intakeType == intakeBefore_, "a load changed the intake type");
        VeTable expected = before_;
        if (fileBytes_.size() >= kCellCount) {
            const bool sends = form_.release() == Release::V17;
            const int last =
                !sends || budgetAtLoad_ < 0 ? kCellCount - 1 : std::min(budgetAtLoad_, 399);
            for (int k = 0; k <= last; ++k) {
                expected[k] = static_cast<unsigned char>(fileBytes_[k]);
            }
            if (sends && last == kCellCount - 1 && budgetAtLoad_ != kCellCount - 1) {
                FUZZ_REQUIRE(form_.awaitingTable == 0, "a whole load left the download pending");
            }
        }
        FUZZ_REQUIRE(form_.veTable == expected, "load changed the wrong cells");
    }

    fuzz::Rig rig_;
    Form3D form_;
    VeTable before_{};
    std::int16_t intakeBefore_ = 0;
    std::int16_t awaitingBefore_ = 0;
    std::int16_t selectedBefore_ = 0;
    std::int16_t keyCode_ = 0;
    std::string fileBytes_;
    int budgetAtLoad_ = -1;
    bool framed_ = false;   // the event handed input to the framer, or the line fell quiet
    std::string pending_;   // what the framer holds, as far as the bytes given to it tell
    std::string lastInput_; // pending before the event plus the bytes delivered during it
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Script script(data, size);
    Session session(script.byte() % 2 == 0 ? Release::V17 : Release::V12);
    while (!script.done()) {
        session.Step(script);
    }
    std::remove(VetPath().c_str()); // libFuzzer may end the process without running atexit
    return 0;
}
