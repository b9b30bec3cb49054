// SPDX-License-Identifier: MIT
// The generated fiscal memory: the same seed gives the same memory, and its figures add up.
#include <gtest/gtest.h>

#include <algorithm>

#include "printer_memory.h"

namespace zarvo::sim {
namespace {

using namespace std::chrono;

TEST(FiscalMemory, TheSeedDecidesEverything) {
    const auto records = [](std::uint64_t seed, int count) {
        const auto memory = FiscalMemory::generate(seed, count);
        std::string all = memory.serial() + "\n";
        for (const Reduction &r : memory.reductions()) {
            all += reduction_record(r) + "\n";
        }
        return all;
    };
    const std::string a = records(7, 25);
    EXPECT_EQ(std::count(a.begin(), a.end(), '\n'), 26);
    EXPECT_EQ(a, records(7, 25));
    EXPECT_NE(a, records(8, 25));
    EXPECT_TRUE(records(7, 40).starts_with(a)) << "a longer memory starts with the same reductions";
}

TEST(FiscalMemory, ReductionsAreNumberedDatedAndSummedConsistently) {
    for (const std::uint64_t seed : {0ull, 1ull, 12345ull, ~0ull}) {
        const auto memory = FiscalMemory::generate(seed, 60);
        EXPECT_EQ(memory.serial().size(), 10u);
        EXPECT_EQ(memory.serial().substr(0, 2), "ZV");
        std::int64_t grand_total = 0;
        const Reduction *previous = nullptr;
        for (const Reduction &r : memory.reductions()) {
            SCOPED_TRACE(reduction_record(r));
            EXPECT_EQ(r.number, previous ? previous->number + 1 : 1);
            EXPECT_NE(weekday{sys_days{r.date}}, Sunday);
            EXPECT_GE(int{r.date.year()}, 2008);
            if (previous) {
                EXPECT_GT(sys_days{r.date}, sys_days{previous->date});
                EXPECT_LE(sys_days{r.date} - sys_days{previous->date}, days{2});
                EXPECT_GT(r.coo, previous->coo);
                EXPECT_GT(r.ccf, previous->ccf);
            }
            EXPECT_GT(r.gross, 0);
            EXPECT_EQ(r.net, r.gross - r.cancelled - r.discounts);
            grand_total += r.gross;
            EXPECT_EQ(r.grand_total, grand_total);
            previous = &r;
        }
        EXPECT_EQ(memory.next_coo(), memory.reductions().back().coo + 1);
        EXPECT_EQ(memory.ccf(), memory.reductions().back().ccf);
    }
}

TEST(FiscalMemory, RecordShowsTheReductionInLatin1) {
    Reduction r;
    r.number = 7;
    r.date = 2008y / March / 4;
    r.coo = 1234;
    r.ccf = 56;
    r.gross = 123456789;
    r.cancelled = 5;
    r.discounts = 100;
    r.net = 123456684;
    r.grand_total = 123456789;
    EXPECT_EQ(reduction_record(r),
              "Redu\xE7\xE3o 0007 04/03/08 COO:001234 CCF:000056 Bruto:1.234.567,89 Canc.:0,05 "
              "Desc.:1,00 L\xEDquido:1.234.566,84 GT:1.234.567,89");
}

// The operator window reads two-digit years the same way: 1930 to 2029.
TEST(FiscalMemory, SixDigitDatesNameYearsFrom1930To2029) {
    EXPECT_EQ(parse_ddmmyy("010130"), 1930y / January / 1);
    EXPECT_EQ(parse_ddmmyy("311299"), 1999y / December / 31);
    EXPECT_EQ(parse_ddmmyy("010100"), 2000y / January / 1);
    EXPECT_EQ(parse_ddmmyy("311229"), 2029y / December / 31);
    EXPECT_EQ(parse_ddmmyy("290200"), 2000y / February / 29);
    EXPECT_FALSE(parse_ddmmyy("290230")) << "1930 is no leap year";
    EXPECT_FALSE(parse_ddmmyy("3112-9"));
}

}  // namespace
}  // namespace zarvo::sim
