// SPDX-License-Identifier: MIT
// Faults: which commands they hit, and what they do to the bytes of a reply.
#include <gtest/gtest.h>

#include "faults.h"

namespace zarvo::sim {
namespace {

using namespace std::string_literals;

TEST(Faults, SilenceCountsCommands) {
    FaultSettings after_two;
    after_two.silent_after = 2;
    FaultSettings always;
    always.silent = true;
    for (const long command : {1, 2, 3, 1000}) {
        EXPECT_EQ(FaultLayer(after_two).silent_for(command), command > 2) << command;
        EXPECT_TRUE(FaultLayer(always).silent_for(command));
        EXPECT_FALSE(FaultLayer({}).silent_for(command));
    }
}

TEST(Faults, FirstMatchingRefusalWins) {
    FaultSettings s;
    s.refuse = {{".36S", 7}, {".36", 8}, {"*", 9}};
    const FaultLayer faults(s);
    EXPECT_EQ(faults.forced_refusal(".36S"), 7);
    EXPECT_EQ(faults.forced_refusal(".36N"), 8);
    EXPECT_EQ(faults.forced_refusal(".28"), 9);
    EXPECT_FALSE(FaultLayer({}).forced_refusal(".28").has_value());
    // A pattern is a beginning, not a part: ".28" does not match ".2".
    FaultSettings longer;
    longer.refuse = {{".28", 5}};
    EXPECT_FALSE(FaultLayer(longer).forced_refusal(".2").has_value());
}

TEST(Faults, ShapingAReply) {
    const std::string reply = ".+0002DATA}";
    struct Case {
        const char *name;
        FaultSettings settings;
        std::string expected;
    };
    auto with = [](auto field, std::string pattern) {
        FaultSettings s;
        (s.*field).push_back(pattern);
        return s;
    };
    FaultSettings extra;
    extra.extra = {{".++", "EXTRA"}};
    FaultSettings all = with(&FaultSettings::noise, "*");
    all.cr = {"*"};
    all.lf = {"*"};
    all.nul = {"*"};
    all.cut = {"*"};
    all.extra = {{"*", "X}"}};
    const Case cases[] = {
        {"none", {}, reply},
        {"cut", with(&FaultSettings::cut, ".++"), ".+0002DATA"},
        {"nul", with(&FaultSettings::nul, ".++"),
         "\0.+\0"
         "0002DATA\0}"s},
        {"noise", with(&FaultSettings::noise, ".++"),
         ".+0002\xFF\x7E\x01\x80"
         "DATA}"},
        {"cr", with(&FaultSettings::cr, ".++"), ".+0002\rDATA}"},
        {"lf", with(&FaultSettings::lf, ".++"), ".+0002\nDATA}"},
        {"extra", extra, ".+0002DATA}EXTRA"},
        {"other command", with(&FaultSettings::cut, ".28"), reply},
        {"all", all,
         "\0.+\0"
         "0002\xFF\x7E\x01\x80\r\nDATA\0X}"s},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FaultLayer(c.settings).shape(".++", reply), c.expected);
    }
}

TEST(Faults, CloseAfterTheChosenBlockOnly) {
    FaultSettings s;
    s.close_after_block = 2;
    ModelReply r;
    for (const auto &[block, closes] : {std::pair{1, false}, {2, true}, {0, false}}) {
        r.block = block;
        EXPECT_EQ(FaultLayer(s).close_after(r), closes) << block;
        EXPECT_FALSE(FaultLayer({}).close_after(r));
    }
}

}  // namespace
}  // namespace zarvo::sim
