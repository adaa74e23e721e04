// tvxsim's faults really happen, so the end-to-end tests that rely on them cannot pass vacuously.
#include "Device.h"
#include "TvxSim.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>

using namespace tvxsim;
using namespace std::chrono_literals;

namespace {

std::string Joined(const std::vector<std::string>& pieces, const std::string& after = "") {
    std::string text;
    for (const std::string& piece : pieces) {
        text += piece + after;
    }
    return text;
}

} // namespace

TEST(SimFaults, splitsChangeOnlyTheWritesCutRepliesArePrefixesAndGarbageIsAdded) {
    enum class Wire { Same, Prefix, Garbage };
    const struct {
        std::vector<std::string> options;
        const char* command;
        const char* terminator;
        Wire wire;
    } cases[] = {{{}, "<121><255>", ",", Wire::Same},
                 {{"--terminator", "crlf", "--split", "byte"}, "<121><255>", "\r\n", Wire::Same},
                 {{"--terminator", "none", "--split", "random"}, "<121><255>", "", Wire::Same},
                 {{"--truncate-reply"}, "<121>", "", Wire::Prefix},
                 {{"--hangup-after", "reply"}, "<121>", "", Wire::Prefix},
                 {{"--garbage", "1"}, "<255>", ",", Wire::Garbage}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(&c - cases));
        // The device on a clock the test moves, each write taken the moment it may be made.
        std::vector<std::string> args = c.options;
        args.insert(args.end(), {"--link", "x", "--stall-after", "20"});
        const Options options = parseOptions(args).options;
        Device device(options, DeviceTable(), 7);
        std::vector<std::string> sent, writes;
        device.setSentLog([&](const std::string& line) { sent.push_back(line); });
        Device::TimePoint now{};
        device.receive(c.command, now);
        for (const auto end = now + 1s; now < end; now += 100us) {
            for (std::string_view bytes; !(bytes = device.outgoing(now)).empty();) {
                writes.emplace_back(bytes);
                device.wrote(bytes.size(), now);
            }
        }
        const std::string wire = Joined(writes), generated = Joined(sent, c.terminator);
        const Split split = options.split;
        switch (c.wire) {
        case Wire::Same:
            ASSERT_EQ(sent.size(), 21u) << "the reply and twenty records";
            EXPECT_EQ(wire, generated);
            EXPECT_EQ(writes.size() == sent.size(), split == Split::None);
            EXPECT_EQ(std::ranges::all_of(writes, [](auto& w) { return w.size() == 1; }),
                      split == Split::Byte);
            EXPECT_TRUE(split != Split::Random || writes.size() > 2 * sent.size());
            break;
        case Wire::Prefix:
            EXPECT_TRUE(!wire.empty() && wire.size() < generated.size()) << wire.size();
            EXPECT_TRUE(generated.starts_with(wire));
            EXPECT_EQ(device.hangUpDue(), options.hangupInReply);
            break;
        case Wire::Garbage:
            ASSERT_EQ(sent.size(), 20u);
            EXPECT_GE(wire.size(), generated.size() + 20) << "1 to 8 bytes more in each record";
        }
    }
}

TEST(SimProgram, aHangUpDropsTheLineOnceWhatWasWrittenHasArrived) {
    const struct {
        const char* after;
        const char* command;
        bool wholeMessages;
    } cases[] = {{"3", "<255>", true}, {"reply", "<121>", false}};
    for (const auto& c : cases) {
        TvxSim sim({"--hangup-after", c.after, "--terminator", "crlf"});
        const int fd = open(sim.link().c_str(), O_RDWR | O_NOCTTY); // tvxsim made it raw
        ASSERT_GE(fd, 0);
        ASSERT_EQ(write(fd, c.command, 5), 5);
        std::string got;
        bool hungUp = false;
        pollfd ready{fd, POLLIN, 0};
        for (char buffer[4096]; !hungUp && poll(&ready, 1, 30000) > 0;) {
            const ssize_t n = read(fd, buffer, sizeof buffer);
            hungUp = n <= 0;
            got.append(buffer, static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
        }
        close(fd);
        const std::string whole = Joined(sim.log("sent"), "\r\n");
        EXPECT_TRUE(hungUp) << c.after;
        EXPECT_TRUE(!got.empty() && whole.starts_with(got)) << c.after;
        EXPECT_EQ(got == whole, c.wholeMessages) << c.after;
    }
}
