#include "Options.h"

#include <gtest/gtest.h>

using namespace tvxsim;

TEST(Options, valuesComeAfterASpaceOrAnEqualsSign) {
    const ParsedOptions parsed = parseOptions({"--link=/tmp/a", "--rate", "max", "--split=byte",
                                               "--hangup-after", "reply", "--seed", "7"});
    ASSERT_EQ(parsed.error, "");
    const Options& o = parsed.options;
    EXPECT_TRUE(o.link == "/tmp/a" && o.rateMax && o.split == Split::Byte && o.hangupInReply);
    EXPECT_EQ(o.seed, 7u);
}

TEST(Options, refusesWhatItCannotHonour) {
    const std::vector<std::vector<std::string>> bad = {{"--link"},
                                                       {"--link", ""},
                                                       {"--rate", "0"},
                                                       {"--rate", "fast"},
                                                       {"--terminator", "lf"},
                                                       {"--split", "half"},
                                                       {"--garbage", "1.5"},
                                                       {"--hangup-after", "0"},
                                                       {"--stall-after", "-1"},
                                                       {"--intake", "40000"},
                                                       {"--seed", "-1"},
                                                       {"--nul=1"},
                                                       {"--bogus"},
                                                       {"stray"}};
    for (auto args : bad) {
        if (args.empty() || args[0] != "--link") {
            args.insert(args.begin(), {"--link", "x"});
        }
        EXPECT_NE(parseOptions(args).error, "") << args.back();
    }
    EXPECT_NE(parseOptions({}).error, "") << "the link is required";
}

TEST(Options, helpDocumentsEveryOption) {
    for (const char* name :
         {"--link",       "--vet",        "--intake",         "--rate",        "max",
          "--terminator", "crlf",         "--split",          "byte",          "--garbage",
          "--nul",        "--long-field", "--truncate-reply", "--stall-after", "--hangup-after",
          "reply",        "--log",        "--sent-log",       "--seed",        "--help"}) {
        EXPECT_NE(helpText().find(name), std::string::npos) << name;
    }
}
