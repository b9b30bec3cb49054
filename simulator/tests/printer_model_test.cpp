// SPDX-License-Identifier: MIT
// The printer's answers to every command: reply layouts, state changes, refusals and readings.
#include <gtest/gtest.h>

#include "options.h"
#include "printer_memory.h"
#include "printer_model.h"

namespace zarvo::sim {
namespace {

using namespace std::chrono;

/// Position @p pos (from 1), @p len characters of @p reply.
std::string at(const std::string &reply, std::size_t pos, std::size_t len = 1) {
    return pos - 1 < reply.size() ? reply.substr(pos - 1, len) : std::string();
}

/// A printer whose clock stands at 31/12/08 23:59 and that prints for 1.5 s.
PrinterModel make(PrinterSettings settings = {}, int reductions = 12, std::uint64_t seed = 5) {
    settings.print_time = milliseconds{1500};
    return PrinterModel(settings, FiscalMemory::generate(seed, reductions),
                        [] { return *parse_clock("3112082359"); });
}

/// The refusal with @p code as the protocol numbers it (the window reads the number).
std::string refusal(const char *code) {
    return std::string(".-0001ERRO:         ") + code + "}";
}

// One command to a fresh printer: the reply (whole, or its beginning for a reading block), the
// refusal the log names, the time spent printing; a refused print leaves no trace.
TEST(PrinterModel, EachCommandOnAFreshPrinter) {
    PrinterSettings counters;
    counters.coo = 4321;
    counters.ccf = 77;
    PrinterSettings no_paper;
    no_paper.paper = false;
    PrinterSettings no_blocks;
    no_blocks.blocks = 0;
    const PrinterSettings plain;
    struct Case {
        const char *command;
        const PrinterSettings &settings;
        std::string reply;
        std::optional<Refusal> why = std::nullopt;
        int print_ms = 0;
    };
    const Case cases[] = {
        {".5609", counters, ".+09004321}"},
        {".5618", counters, ".+18000077}"},
        {".23", plain, ".+0000}"},
        {".23", no_paper, ".+0005}"},
        {".28", no_paper, ".+0000ZV"},
        {".13", plain, ".+0000}", {}, 1500},
        {".1500011000", plain, ".+0000}", {}, 1500},
        {".16010100301210", plain, ".+0000}", {}, 1500},
        {".13", no_paper, refusal("20"), Refusal::out_of_paper},
        {".1500011000", no_paper, refusal("20"), Refusal::out_of_paper},
        {".1500011000#", no_paper, ".+0001"},  // over the line nothing is printed
        {".1500011000#", no_blocks, ".]0000FIM:          00}"},
        {".++", plain, refusal("33"), Refusal::no_reading},
        {".36X", plain, refusal("03"), Refusal::bad_parameter},
        {".36", plain, refusal("03"), Refusal::bad_parameter},
        {"", plain, refusal("01"), Refusal::unknown_command},
        {"#", plain, refusal("01"), Refusal::unknown_command},
        {".2", plain, refusal("01"), Refusal::unknown_command},
        {".280", plain, refusal("01"), Refusal::unknown_command},
        {".5610", plain, refusal("01"), Refusal::unknown_command},
        {".99", plain, refusal("01"), Refusal::unknown_command},
        {"28", plain, refusal("01"), Refusal::unknown_command},
        {".13 ", plain, refusal("01"), Refusal::unknown_command},
        {".15", plain, refusal("30"), Refusal::malformed_range},
        {".15#", plain, refusal("30"), Refusal::malformed_range},
        {".150001100", plain, refusal("30"), Refusal::malformed_range},  // 3 + 4 digits
        {".1500a11000#", plain, refusal("30"), Refusal::malformed_range},
        {".15 00011000", plain, refusal("30"), Refusal::malformed_range},
        {".150001100##", plain, refusal("30"), Refusal::malformed_range},
        {".151234567890123456789", plain, refusal("30"), Refusal::malformed_range},  // 10 + 11
        {".1610000030121", plain, refusal("30"), Refusal::malformed_range},          // 13 digits
        {".16320100301210#", plain, refusal("30"), Refusal::malformed_range},  // 32nd of January
        {".16010100311310", plain, refusal("30"), Refusal::malformed_range},   // month 13
        {".16290201010301", plain, refusal("30"), Refusal::malformed_range},   // 29/02/01
        {".1510000001#", plain, refusal("31"), Refusal::empty_range},
        {".16020100010100", plain, refusal("31"), Refusal::empty_range},
        {".1500500060#", plain, refusal("32"), Refusal::nothing_in_range},  // 12 reductions
        {".16010199311299", plain, refusal("32"), Refusal::nothing_in_range},
        {".1500000000#", plain, refusal("32"), Refusal::nothing_in_range},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.command);
        auto model = make(c.settings);
        const auto coo = model.coo();
        const ModelReply r = model.handle(c.command);
        EXPECT_EQ(r.text.substr(0, c.reply.size()), c.reply);
        EXPECT_EQ(r.text.find('}'), r.text.size() - 1) << "one \"}\", at the end: " << r.text;
        EXPECT_EQ(r.refusal, c.why);
        EXPECT_EQ(r.delay, milliseconds{c.print_ms});
        EXPECT_EQ(model.reading_in_progress(), r.block > 0);
        if (r.refusal) {
            EXPECT_FALSE(model.first_x());
            EXPECT_EQ(model.coo(), coo);
        }
    }
}

// The status and the counters as they start, then as summer time, the X reading and a
// reading over the line change them.
TEST(PrinterModel, StateThroughTheStatusAndCounters) {
    auto model = make();
    const auto &last = model.memory().reductions().back();
    EXPECT_EQ(std::stoul(at(model.handle(".5609").text, 5, 6)), last.coo + 1);
    EXPECT_EQ(std::stoul(at(model.handle(".5618").text, 5, 6)), last.ccf);
    const std::string status = model.handle(".28").text;
    ASSERT_EQ(status.size(), 125u);
    EXPECT_EQ(at(status, 18), "N");
    EXPECT_EQ(at(status, 44, 11), "3112082359N");
    EXPECT_EQ(at(status, 124), "N");

    // The clock moves an hour ahead, across midnight and the year here.
    EXPECT_EQ(model.handle(".36S").text, ".+0000}");
    EXPECT_TRUE(model.summer());
    EXPECT_EQ(at(model.handle(".28").text, 44, 11), "0101090059S");
    const auto twice = model.handle(".36S");
    EXPECT_EQ(twice.text, refusal("10"));
    EXPECT_EQ(twice.refusal, Refusal::already_summer);
    EXPECT_EQ(model.handle(".36N").text, ".+0000}");
    EXPECT_FALSE(model.summer());
    EXPECT_EQ(at(model.handle(".28").text, 44, 11), "3112082359N");
    const auto not_in_it = model.handle(".36N");
    EXPECT_EQ(not_in_it.text, refusal("11"));
    EXPECT_EQ(not_in_it.refusal, Refusal::not_summer);

    const auto coo = model.coo();
    model.handle(".13");
    EXPECT_TRUE(model.first_x());
    EXPECT_EQ(model.coo(), coo + 1);
    EXPECT_EQ(at(model.handle(".28").text, 124), "S");

    // Any command but ".++" abandons a reading over the line.
    model.handle(".1500011000#");
    EXPECT_TRUE(model.reading_in_progress());
    model.handle(".28");
    EXPECT_FALSE(model.reading_in_progress());
    EXPECT_EQ(model.handle(".++").text, refusal("33"));

    PrinterSettings s;
    s.reduction = 'F';
    s.summer = true;
    s.first_x = true;
    const std::string set = make(s).handle(".28").text;
    EXPECT_EQ(at(set, 18), "F");
    EXPECT_EQ(at(set, 44, 11), "3112082359S");
    EXPECT_EQ(at(set, 124), "S");
}

/// Fetches a whole reading over the line; returns the data of each block.
std::vector<std::string> fetch(PrinterModel &model, const std::string &command, ModelReply &end) {
    std::vector<std::string> data;
    ModelReply reply = model.handle(command);
    for (int guard = 0; guard < 10000 && at(reply.text, 2) == "+"; ++guard) {
        EXPECT_EQ(reply.block, static_cast<int>(data.size()) + 1);
        EXPECT_EQ(std::stoi(at(reply.text, 3, 4)), reply.block);
        const auto close = reply.text.find('}', 6);
        EXPECT_EQ(close, reply.text.size() - 1);
        data.push_back(reply.text.substr(6, close - 6));
        reply = model.handle(".++");
    }
    end = reply;
    return data;
}

// Reductions 3 to 9 in four blocks, in order, between a header and a totals line, in Latin-1
// and with nothing that would end a reply or a line early; then the end reply.
TEST(PrinterModel, ReadingByReductionComesBlockByBlockThenEnds) {
    PrinterSettings s;
    s.blocks = 4;
    auto model = make(s);
    ModelReply end;
    const auto data = fetch(model, ".1500030009#", end);
    ASSERT_EQ(data.size(), 4u);
    EXPECT_EQ(end.text, ".]0004FIM:          00}");
    EXPECT_TRUE(end.ends_reading);
    EXPECT_FALSE(model.reading_in_progress());
    EXPECT_EQ(model.handle(".++").text, refusal("33"));

    std::string all;
    for (const auto &d : data) {
        all += d + "\n";
        EXPECT_EQ(d.find_first_of(std::string("}\r\n\0", 4)), std::string::npos) << d;
    }
    EXPECT_EQ(all.find("Redu\xE7\xE3o 0002"), std::string::npos);
    EXPECT_EQ(all.find("Redu\xE7\xE3o 0010"), std::string::npos);
    std::size_t last = 0;
    for (int n = 3; n <= 9; ++n) {
        const auto pos = all.find("Redu\xE7\xE3o 000" + std::to_string(n));
        ASSERT_NE(pos, std::string::npos) << n;
        EXPECT_GT(pos, last);
        last = pos;
    }
    EXPECT_EQ(data.front().rfind("LEITURA DA MEM\xD3RIA FISCAL", 0), 0u);
    EXPECT_NE(data.back().find("TOTAL 0007"), std::string::npos);
}

TEST(PrinterModel, ReadingByDateSelectsTheDaysInRange) {
    auto model = make();
    const auto &reductions = model.memory().reductions();
    const auto from = reductions[4].date;
    const auto to = reductions[9].date;
    auto ddmmyy = [](year_month_day d) {
        const std::string s = short_date(d);
        return s.substr(0, 2) + s.substr(3, 2) + s.substr(6, 2);
    };
    ModelReply end;
    const auto data = fetch(model, ".16" + ddmmyy(from) + ddmmyy(to) + "#", end);
    ASSERT_EQ(data.size(), 8u);  // header, reductions 5 to 10, totals: one block each
    EXPECT_NE(data[1].find("Redu\xE7\xE3o 0005 " + short_date(from)), std::string::npos);
    EXPECT_NE(data[6].find("Redu\xE7\xE3o 0010 " + short_date(to)), std::string::npos);
    EXPECT_EQ(at(end.text, 2), "]");
}

TEST(Reading, OddDigitCountsGiveTheFirstNumberTheShorterHalf) {
    const auto parsed = parse_reading(".15000112345#");
    ASSERT_TRUE(std::holds_alternative<ReadingRange>(parsed));
    const auto &range = std::get<ReadingRange>(parsed);
    EXPECT_EQ(range.first, 1);
    EXPECT_EQ(range.last, 12345);
    EXPECT_EQ(range.first_text, "0001");
    EXPECT_TRUE(range.over_line);
    EXPECT_EQ(range.kind, ReadingRange::Kind::by_reduction);
}

TEST(Reading, BlocksShareTheRecordsInOrder) {
    const std::vector<std::string> records = {"a", "b", "c", "d", "e", "f", "g"};
    for (int n = 1; n <= 10; ++n) {
        const auto blocks = deal_into_blocks(records, n);
        ASSERT_EQ(blocks.size(), static_cast<std::size_t>(n));
        std::string joined;
        std::size_t empty = 0;
        for (const auto &b : blocks) {
            if (b.empty()) {
                ++empty;
                continue;
            }
            joined += (joined.empty() ? "" : " | ") + b;
        }
        EXPECT_EQ(joined, "a | b | c | d | e | f | g") << n;
        EXPECT_EQ(empty, n > 7 ? static_cast<std::size_t>(n - 7) : 0u);
    }
    EXPECT_EQ(deal_into_blocks(records, std::nullopt), records);
}

}  // namespace
}  // namespace zarvo::sim
