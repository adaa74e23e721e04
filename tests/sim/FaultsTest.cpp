// tvxsim's faults really happen, so the end-to-end tests that rely on them cannot pass vacuously.
#include "Device.h"
#include "TvxSim.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>

using namespace tvxsim;
using namespace std::chrono_literals;

static std::string Joined(const std::vector<std::string>& pieces, const std::string& after) {
    std::string text;
    for (const std::string& piece : pieces) {
        text += piece + after;
    }
    return text;
}

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
                 {{"--garbage", "1"}, "<255>", ",", Wire::Garbage}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.options));
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
        const std::string wire = Joined(writes, ""), generated = Joined(sent, c.terminator);
        switch (c.wire) {
        case Wire::Same:
            ASSERT_EQ(sent.size(), 21u) << "the reply and twenty records";
            EXPECT_EQ(wire, generated);
            EXPECT_EQ(writes.size() == sent.size(), options.split == Split::None);
            EXPECT_EQ(writes.size() == wire.size(), options.split == Split::Byte);
            EXPECT_TRUE(options.split != Split::Random || writes.size() > 2 * sent.size());
            break;
        case Wire::Prefix:
            EXPECT_TRUE(!wire.empty() && wire.size() < generated.size()) << wire.size();
            EXPECT_TRUE(generated.starts_with(wire));
            break;
        case Wire::Garbage:
            ASSERT_EQ(sent.size(), 20u);
            EXPECT_GE(wire.size(), generated.size() + 20) << "1 to 8 bytes more in each record";
        }
    }
}

// The hang-up comes once what was written has arrived: after three records whole, or part way
// through the reply.
TEST(SimProgram, aHangUpDropsTheLineAfterTheRecordsOrPartOfTheReply) {
    for (const std::string after : {"3", "reply"}) {
        TvxSim sim({"--hangup-after", after, "--terminator", "crlf"});
        const int fd = open(sim.link().c_str(), O_RDWR | O_NOCTTY); // tvxsim made it raw
        ASSERT_GE(fd, 0);
        ASSERT_EQ(write(fd, "<255><121>", 10), 10);
        std::string got;
        pollfd ready{fd, POLLIN, 0};
        ssize_t n = 1;
        for (char buffer[4096]; n > 0 && poll(&ready, 1, 30000) > 0;) {
            n = read(fd, buffer, sizeof buffer);
            got.append(buffer, static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
        }
        close(fd);
        const std::string whole = Joined(sim.log("sent"), "\r\n");
        EXPECT_LE(n, 0) << after << ": the line was not hung up";
        EXPECT_TRUE(!got.empty() && whole.starts_with(got)) << after;
        EXPECT_EQ(got == whole, after == "3") << after;
    }
}
