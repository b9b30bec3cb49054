// SPDX-License-Identifier: MIT
// The command line: every option reaches its setting, and wrong values are named.
#include <gtest/gtest.h>

#include "options.h"

namespace zarvo::sim {
namespace {

using namespace std::chrono;

ParsedOptions parse(std::vector<std::string> args) {
    return parse_options("zarvo-printer-sim", args);
}

TEST(Options, DefaultsWithoutArguments) {
    const auto p = parse({});
    ASSERT_TRUE(p.options) << p.error;
    const Options &o = *p.options;
    EXPECT_FALSE(o.device || o.link || o.log || o.clock || o.exit_after || o.dump_reading);
    EXPECT_FALSE(o.fast);
    EXPECT_EQ(o.seed, 1u);
    EXPECT_EQ(o.reductions, 40);
    EXPECT_EQ(o.printer.print_time, milliseconds{2000});
    EXPECT_TRUE(o.printer.paper);
    EXPECT_EQ(o.printer.reduction, 'N');
    EXPECT_FALSE(o.printer.blocks);
}

TEST(Options, EveryOptionReachesItsSetting) {
    const auto p = parse({"--link",
                          "/tmp/port",
                          "--fast",
                          "--exit-after=3",
                          "--log",
                          "sim.log",
                          "--clock",
                          "0102081530",
                          "--summer",
                          "--reduction",
                          "F",
                          "--first-x",
                          "--coo",
                          "123",
                          "--ccf=45",
                          "--no-paper",
                          "--print-time",
                          "0",
                          "--seed",
                          "18446744073709551615",
                          "--reductions",
                          "9999",
                          "--blocks",
                          "0",
                          "--silent-after",
                          "4",
                          "--refuse",
                          ".36S=07",
                          "--refuse=*=12",
                          "--cut-reply",
                          ".28",
                          "--nul-in-reply",
                          ".23",
                          "--noise-in-reply",
                          "*",
                          "--cr-in-reply",
                          ".5609",
                          "--lf-in-reply",
                          ".5618",
                          "--extra-after",
                          ".13",
                          "--extra-after",
                          ".++=a=b\\x00\\r\\n\\\\",
                          "--close-after-block",
                          "2",
                          "--silent"});
    ASSERT_TRUE(p.options) << p.error;
    const Options &o = *p.options;
    EXPECT_EQ(o.link, "/tmp/port");
    EXPECT_TRUE(o.fast);
    EXPECT_EQ(o.exit_after, 3);
    EXPECT_EQ(o.log, "sim.log");
    EXPECT_EQ(o.clock, sys_days{2008y / February / 1} + hours{15} + minutes{30});
    EXPECT_TRUE(o.printer.summer);
    EXPECT_EQ(o.printer.reduction, 'F');
    EXPECT_TRUE(o.printer.first_x);
    EXPECT_EQ(o.printer.coo, 123u);
    EXPECT_EQ(o.printer.ccf, 45u);
    EXPECT_FALSE(o.printer.paper);
    EXPECT_EQ(o.printer.print_time, milliseconds{0});
    EXPECT_EQ(o.seed, 18446744073709551615ull);
    EXPECT_EQ(o.reductions, 9999);
    EXPECT_EQ(o.printer.blocks, 0);
    EXPECT_EQ(o.faults.silent_after, 4);
    EXPECT_TRUE(o.faults.silent);
    ASSERT_EQ(o.faults.refuse.size(), 2u);
    EXPECT_EQ(o.faults.refuse[0], (std::pair<std::string, int>{".36S", 7}));
    EXPECT_EQ(o.faults.refuse[1], (std::pair<std::string, int>{"*", 12}));
    EXPECT_EQ(o.faults.cut, std::vector<std::string>{".28"});
    EXPECT_EQ(o.faults.nul, std::vector<std::string>{".23"});
    EXPECT_EQ(o.faults.noise, std::vector<std::string>{"*"});
    EXPECT_EQ(o.faults.cr, std::vector<std::string>{".5609"});
    EXPECT_EQ(o.faults.lf, std::vector<std::string>{".5618"});
    ASSERT_EQ(o.faults.extra.size(), 2u);
    EXPECT_EQ(o.faults.extra[0].second, "EXTRA");
    EXPECT_EQ(o.faults.extra[1].first, ".++");
    EXPECT_EQ(o.faults.extra[1].second, std::string("a=b\0\r\n\\", 7));
    EXPECT_EQ(o.faults.close_after_block, 2);
}

TEST(Options, WrongCommandLinesAreRefusedNamingTheOption) {
    struct Case {
        std::vector<std::string> args;
        const char *named;
    };
    const Case cases[] = {
        {{"--bogus"}, "--bogus"},
        {{"--log"}, "--log"},
        {{"--fast=1"}, "--fast"},
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
    EXPECT_EQ(parse({"--version"}).text, "zarvo-printer-sim 1.00\n");
}

}  // namespace
}  // namespace zarvo::sim
