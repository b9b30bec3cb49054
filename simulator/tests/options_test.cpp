// SPDX-License-Identifier: MIT
// The command line: the values it converts, and wrong values named.
#include <gtest/gtest.h>

#include "options.h"

namespace zarvo::sim {
namespace {

using namespace std::chrono;

ParsedOptions parse(std::vector<std::string> args) {
    return parse_options("zarvo-printer-sim", args);
}

// The values the simulator converts itself after CLI11 has read them: each split where it must.
TEST(Options, ConvertedValues) {
    const auto p =
        parse({"--clock", "0102081530", "--reduction", "F", "--refuse", ".36S=07", "--refuse=*=12",
               "--extra-after", ".13", "--extra-after", ".++=a=b\\x00\\r\\n\\\\"});
    ASSERT_TRUE(p.options) << p.error;
    const Options &o = *p.options;
    EXPECT_EQ(o.clock, sys_days{2008y / February / 1} + hours{15} + minutes{30});
    EXPECT_EQ(o.printer.reduction, 'F');
    ASSERT_EQ(o.faults.refuse.size(), 2u);
    EXPECT_EQ(o.faults.refuse[0], (std::pair<std::string, int>{".36S", 7}));
    EXPECT_EQ(o.faults.refuse[1], (std::pair<std::string, int>{"*", 12}));
    ASSERT_EQ(o.faults.extra.size(), 2u);
    EXPECT_EQ(o.faults.extra[0].second, "EXTRA");
    EXPECT_EQ(o.faults.extra[1].first, ".++");
    EXPECT_EQ(o.faults.extra[1].second, std::string("a=b\0\r\n\\", 7));
}

TEST(Options, WrongCommandLinesAreRefusedNamingTheOption) {
    struct Case {
        std::vector<std::string> args;
        const char *named;
    };
    const Case cases[] = {
        {{"--bogus"}, "--bogus"},
        {{"--log"}, "--log"},
        {{"--fast=1"}, "fast"},
        {{"--cut-reply", ".28", "x"}, "x"},  // one CMD per --cut-reply
        {{"--exit-after", "0"}, "--exit-after"},
        {{"--exit-after", "3x"}, "--exit-after"},
        {{"--coo", "1000000"}, "--coo"},
        {{"--ccf", "-1"}, "--ccf"},
        {{"--clock", "3102081200"}, "--clock"},
        {{"--clock", "0101082400"}, "--clock"},
        {{"--clock", "01010812"}, "--clock"},
        {{"--clock", "0101-01200"}, "--clock"},  // a sign is not a digit
        {{"--clock", "01010812-0"}, "--clock"},
        {{"--reduction", "X"}, "--reduction"},
        {{"--print-time", "3600001"}, "--print-time"},
        {{"--seed", "18446744073709551616"}, "--seed"},
        {{"--seed", "-1"}, "--seed"},
        {{"--blocks", "10000"}, "--blocks"},
        {{"--refuse", ".28"}, "--refuse"},
        {{"--refuse", ".28=7"}, "--refuse"},
        {{"--refuse", ".28=100"}, "--refuse"},
        {{"--cut-reply", ""}, "--cut-reply"},
        {{"--extra-after", ".28=\\q"}, "--extra-after"},
        {{"--extra-after", ".28=\\x4"}, "--extra-after"},
        {{"--close-after-block", "0"}, "--close-after-block"},
        {{"--dump-reading", ".28"}, "--dump-reading"},
        {{"--device", "/dev/ttyS0", "--link", "/tmp/x"}, "--link"},
    };
    for (const auto &c : cases) {
        const auto p = parse(c.args);
        EXPECT_FALSE(p.options) << c.args[0];
        EXPECT_NE(p.error.find(c.named), std::string::npos) << p.error;
    }
}

TEST(Options, HelpAndVersionEndWithoutRunning) {
    const auto help = parse({"--help"});
    EXPECT_FALSE(help.options);
    EXPECT_TRUE(help.error.empty());
    EXPECT_NE(help.text.find("--dump-reading CMD"), std::string::npos) << help.text;
    EXPECT_NE(help.text.find(" 33 no reading in progress (.++)."), std::string::npos) << help.text;
    EXPECT_EQ(parse({"--version"}).text, "zarvo-printer-sim " ZARVO_VERSION_TEXT "\n");
}

}  // namespace
}  // namespace zarvo::sim
