#include "Device.h"
#include "LiveRecord.h"
#include "Split.h"

#include <gtest/gtest.h>

#include <memory>

using namespace tvxsim;
using namespace std::chrono_literals;

namespace {

// A device on a clock the test moves, taking every byte the moment it may be written.
struct Rig {
    Options options;
    Device::TimePoint now{};
    std::unique_ptr<Device> device;
    std::vector<std::string> received;
    std::vector<std::string> sent;

    Device& start() {
        device = std::make_unique<Device>(options, DeviceTable(), 7);
        device->setReceivedLog([this](const std::string& line) { received.push_back(line); });
        device->setSentLog([this](const std::string& line) { sent.push_back(line); });
        return *device;
    }

    void send(const std::string& text) { device->receive(text, now); }

    // Each write() made from now until now + span.
    std::vector<std::string> writes(std::chrono::microseconds span) {
        std::vector<std::string> out;
        for (const auto end = now + span;; now += 100us) {
            for (std::string_view bytes; !(bytes = device->outgoing(now)).empty();) {
                out.emplace_back(bytes);
                device->wrote(bytes.size(), now);
            }
            if (now >= end) {
                return out;
            }
        }
    }

    std::string run(std::chrono::microseconds span) {
        std::string text;
        for (const std::string& bytes : writes(span)) {
            text += bytes;
        }
        return text;
    }
};

} // namespace

TEST(Device, streamsOnlyBetweenStartAndStopAtTheGivenRate) {
    Rig rig;
    rig.options.rate = 10;
    Device& device = rig.start();
    EXPECT_EQ(rig.run(2s), "");
    EXPECT_EQ(device.wakeAt(), std::nullopt) << "nothing to wait for but input";
    rig.send("<255>");
    const auto fields = split(rig.run(999ms), ",");
    ASSERT_EQ(fields.size(), 10u * 7 + 1) << "records at 0, 100, ..., 900 ms";
    for (std::size_t k = 0; k + 1 < fields.size(); k += 7) {
        EXPECT_EQ(fields[k], "255");
    }
    rig.send("<255><201>"); // a second start changes nothing
    EXPECT_EQ(rig.run(2s), "");
    EXPECT_EQ(device.recordsMade(), 10);
}

TEST(Device, wireIsEveryRecordAndReplyFollowedByTheTerminator) {
    for (Terminator terminator : {Terminator::Comma, Terminator::CrLf, Terminator::None}) {
        Rig rig;
        rig.options.terminator = terminator;
        rig.start();
        rig.send("<255>");
        std::string wire = rig.run(35ms);
        rig.send("<234,5:-3><243>");
        wire += rig.run(60ms);
        rig.send("<201><121>");
        wire += rig.run(10ms);
        ASSERT_EQ(rig.sent.size(), 6u) << "five records and a reply";
        EXPECT_LE(std::stod(split(rig.sent[1], ",")[5]), EngineLimits::kMaxVolts);
        EXPECT_GE(std::stod(split(rig.sent[2], ",")[5]), EngineLimits::kMinHz) << "type 3: Hz";
        std::string expected;
        for (const std::string& message : rig.sent) {
            expected += message + std::string(terminatorText(terminator));
        }
        EXPECT_EQ(wire, expected);
        const auto reply = split(rig.sent.back(), ",");
        ASSERT_EQ(reply.size(), 441u);
        EXPECT_EQ(reply[5], "-3");
        EXPECT_EQ(reply[440], "3");
    }
}

TEST(Device, logsEveryMessageReceivedAndJunkChangesNothing) {
    Rig rig;
    Device& device = rig.start();
    rig.send("<234,400:1><234,5:x>");
    rig.send(std::string("\0oops", 5));
    rig.send("<234,37:112><201>");
    EXPECT_EQ(rig.received,
              (std::vector<std::string>{"# ignored: <234,400:1>", "# ignored: <234,5:x>",
                                        "# ignored: \\x00oops", "<234,37:112>", "<201>"}));
    EXPECT_EQ(device.table().cell(37), 112);
    EXPECT_EQ(device.table().reply().substr(0, 20), DeviceTable().reply().substr(0, 20));
}

TEST(Device, splittingChangesTheWritesButNeverTheBytes) {
    auto capture = [](Split split) {
        Rig rig;
        rig.options.split = split;
        rig.options.stallAfter = 5; // the same records however long the pauses take
        rig.start();
        rig.send("<121><255>");
        return rig.writes(1s);
    };
    auto joined = [](const std::vector<std::string>& writes) {
        std::string text;
        for (const auto& w : writes) {
            text += w;
        }
        return text;
    };
    const auto whole = capture(Split::None), bytes = capture(Split::Byte);
    const auto chunks = capture(Split::Random);
    EXPECT_EQ(whole.size(), 6u);
    EXPECT_EQ(joined(bytes), joined(whole));
    EXPECT_EQ(joined(chunks), joined(whole));
    EXPECT_TRUE(std::all_of(bytes.begin(), bytes.end(), [](auto& w) { return w.size() == 1; }));
    EXPECT_GT(chunks.size(), whole.size() * 5);
}

TEST(Device, rateMaxMakesTheNextRecordOnlyOnceTheLineTookTheLast) {
    Rig rig;
    rig.options.rateMax = true;
    Device& device = rig.start();
    rig.send("<255>");
    const std::string first(device.outgoing(rig.now));
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(device.outgoing(rig.now), first) << "a full line holds us back";
    }
    device.wrote(first.size() - 1, rig.now);
    EXPECT_EQ(device.outgoing(rig.now), first.substr(first.size() - 1));
    EXPECT_EQ(device.recordsMade(), 1);
    device.wrote(1, rig.now);
    EXPECT_NE(device.outgoing(rig.now), "");
    EXPECT_EQ(device.recordsMade(), 2);
}

TEST(Device, stallOrHangupAfterNRecordsSilencesItButItKeepsObeying) {
    for (bool hangUp : {false, true}) {
        Rig rig;
        (hangUp ? rig.options.hangupAfter : rig.options.stallAfter) = 3;
        Device& device = rig.start();
        rig.send("<255>");
        rig.run(39ms);
        const std::string third(device.outgoing(rig.now += 20ms));
        device.wrote(1, rig.now);
        EXPECT_FALSE(device.hangUpDue()) << "not with a record half sent";
        device.wrote(third.size() - 1, rig.now);
        EXPECT_EQ(device.hangUpDue(), hangUp);
        rig.send("<234,1:9><121>");
        EXPECT_EQ(rig.run(1s), "");
        EXPECT_EQ(device.table().cell(1), 9);
        EXPECT_EQ(device.recordsMade(), 3);
        EXPECT_EQ(device.wakeAt(), std::nullopt);
    }
}

TEST(Device, cutRepliesAreProperPrefixesWithoutATerminator) {
    for (bool hangUp : {false, true}) {
        Rig rig;
        rig.options.truncateReply = !hangUp;
        rig.options.hangupInReply = hangUp;
        Device& device = rig.start();
        const std::string full = DeviceTable().reply();
        rig.send("<121>");
        const std::string cut = rig.run(1ms);
        EXPECT_TRUE(!cut.empty() && cut.size() < full.size() && full.starts_with(cut));
        EXPECT_EQ(device.hangUpDue(), hangUp);
    }
}
