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

class PrinterModelTest : public ::testing::Test {
  protected:
    PrinterModel make(PrinterSettings settings = {}, int reductions = 12, std::uint64_t seed = 5) {
        settings.print_time = milliseconds{1500};
        return PrinterModel(settings, FiscalMemory::generate(seed, reductions),
                            [] { return *parse_clock("3112082359"); });
    }
};

/// A refusal, and its code as the protocol numbers it (the window reads the number).
void expect_refusal(const ModelReply &r, Refusal why, const char *code) {
    EXPECT_EQ(r.text, std::string(".-0001ERRO:         ") + code + "}");
    EXPECT_EQ(r.refusal, why) << r.text;
}

TEST_F(PrinterModelTest, StatusCarriesEveryFieldThatTheProgramReads) {
    PrinterSettings s;
    s.reduction = 'F';
    s.summer = true;
    s.first_x = true;
    auto model = make(s);
    const std::string reply = model.handle(".28").text;
    ASSERT_GE(reply.size(), 124u);
    EXPECT_EQ(at(reply, 2), "+");
    EXPECT_EQ(at(reply, 18), "F");
    EXPECT_EQ(at(reply, 44, 10), "3112082359");
    EXPECT_EQ(at(reply, 54), "S");
    EXPECT_EQ(at(reply, 124), "S");
    EXPECT_EQ(reply.back(), '}');
    EXPECT_EQ(reply.find('}'), reply.size() - 1) << "no \"}\" before the end";

    auto plain = make();
    const std::string other = plain.handle(".28").text;
    EXPECT_EQ(at(other, 18), "N");
    EXPECT_EQ(at(other, 54), "N");
    EXPECT_EQ(at(other, 124), "N");
}

TEST_F(PrinterModelTest, CounterRegistersAndPaper) {
    PrinterSettings s;
    s.coo = 4321;
    s.ccf = 77;
    auto model = make(s);
    const auto coo = model.handle(".5609").text;
    const auto ccf = model.handle(".5618").text;
    EXPECT_EQ(at(coo, 2), "+");
    EXPECT_EQ(at(coo, 5, 6), "004321");
    EXPECT_EQ(at(ccf, 5, 6), "000077");
    EXPECT_EQ(coo.back(), '}');
    EXPECT_NE(at(model.handle(".23").text, 6), "5");

    s.paper = false;
    auto empty = make(s);
    EXPECT_EQ(at(empty.handle(".23").text, 6), "5");
    EXPECT_EQ(at(empty.handle(".28").text, 2), "+");
}

TEST_F(PrinterModelTest, CountersDefaultToTheFiscalMemory) {
    auto model = make({}, 3);
    const auto &last = model.memory().reductions().back();
    EXPECT_EQ(std::stoul(at(model.handle(".5609").text, 5, 6)), last.coo + 1);
    EXPECT_EQ(std::stoul(at(model.handle(".5618").text, 5, 6)), last.ccf);
}

TEST_F(PrinterModelTest, SummerTimeEntersLeavesAndRefusesTwice) {
    auto model = make();
    EXPECT_EQ(at(model.handle(".36S").text, 2), "+");
    EXPECT_TRUE(model.summer());
    // The clock moves an hour ahead, across midnight and the year here.
    const auto summer_status = model.handle(".28").text;
    EXPECT_EQ(at(summer_status, 54), "S");
    EXPECT_EQ(at(summer_status, 44, 10), "0101090059");
    expect_refusal(model.handle(".36S"), Refusal::already_summer, "10");

    EXPECT_EQ(at(model.handle(".36N").text, 2), "+");
    EXPECT_FALSE(model.summer());
    const auto normal_status = model.handle(".28").text;
    EXPECT_EQ(at(normal_status, 54), "N");
    EXPECT_EQ(at(normal_status, 44, 10), "3112082359");
    expect_refusal(model.handle(".36N"), Refusal::not_summer, "11");
    expect_refusal(model.handle(".36X"), Refusal::bad_parameter, "03");
    expect_refusal(model.handle(".36"), Refusal::bad_parameter, "03");
}

TEST_F(PrinterModelTest, XReadingPrintsThenMarksTheFirstXReading) {
    auto model = make();
    const auto coo = model.coo();
    const auto reply = model.handle(".13");
    EXPECT_EQ(at(reply.text, 2), "+");
    EXPECT_EQ(reply.delay, milliseconds{1500});
    EXPECT_TRUE(model.first_x());
    EXPECT_EQ(model.coo(), coo + 1);
    EXPECT_EQ(at(model.handle(".28").text, 124), "S");
}

TEST_F(PrinterModelTest, PrintingWithoutPaperIsRefused) {
    PrinterSettings s;
    s.paper = false;
    auto model = make(s);
    expect_refusal(model.handle(".13"), Refusal::out_of_paper, "20");
    EXPECT_FALSE(model.first_x());
    expect_refusal(model.handle(".1500011000"), Refusal::out_of_paper, "20");
    // A reading over the line prints nothing and still works.
    EXPECT_EQ(at(model.handle(".1500011000#").text, 2), "+");
}

TEST_F(PrinterModelTest, UnknownCommandsAreRefused) {
    auto model = make();
    for (const char *command : {"", "#", ".2", ".280", ".5610", ".99", "28", ".13 "}) {
        SCOPED_TRACE(command);
        expect_refusal(model.handle(command), Refusal::unknown_command, "01");
    }
}

TEST_F(PrinterModelTest, PrintedReadingTakesThePrintTime) {
    auto model = make();
    for (const char *command : {".1500011000", ".16010100301210"}) {
        const auto reply = model.handle(command);
        EXPECT_EQ(reply.text, ".+0000}");
        EXPECT_EQ(reply.delay, milliseconds{1500});
        EXPECT_FALSE(model.reading_in_progress());
    }
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

TEST_F(PrinterModelTest, ReadingByReductionComesBlockByBlockThenEnds) {
    PrinterSettings s;
    s.blocks = 4;
    auto model = make(s, 12);
    ModelReply end;
    const auto data = fetch(model, ".1500030009#", end);
    ASSERT_EQ(data.size(), 4u);
    EXPECT_EQ(at(end.text, 2), "]");
    EXPECT_TRUE(end.ends_reading);
    EXPECT_EQ(end.text.size(), 23u);
    EXPECT_EQ(at(end.text, 3, 4), "0004");
    EXPECT_EQ(at(end.text, 21, 2), "00");
    EXPECT_FALSE(model.reading_in_progress());
    expect_refusal(model.handle(".++"), Refusal::no_reading, "33");

    // Reductions 3 to 9, in order, between a header and a totals line.
    std::string all;
    for (const auto &d : data) {
        all += d + "\n";
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

TEST_F(PrinterModelTest, ReadingDataIsLatin1WithoutLineBreaksOrBraces) {
    auto model = make({}, 30, 99);
    ModelReply end;
    const auto data = fetch(model, ".1500011000#", end);
    ASSERT_EQ(data.size(), 32u);  // header, 30 reductions, totals
    bool latin1 = false;
    for (const auto &d : data) {
        for (const char c : d) {
            EXPECT_NE(c, '}');
            EXPECT_NE(c, '\r');
            EXPECT_NE(c, '\n');
            EXPECT_NE(c, '\0');
            latin1 = latin1 || static_cast<unsigned char>(c) >= 0x80;
        }
    }
    EXPECT_TRUE(latin1);
}

TEST_F(PrinterModelTest, ReadingByDateSelectsTheDaysInRange) {
    auto model = make({}, 20);
    const auto &reductions = model.memory().reductions();
    const auto from = reductions[4].date;
    const auto to = reductions[9].date;
    auto ddmmyy = [](year_month_day d) {
        const std::string s = short_date(d);
        return s.substr(0, 2) + s.substr(3, 2) + s.substr(6, 2);
    };
    ModelReply end;
    const auto data = fetch(model, ".16" + ddmmyy(from) + ddmmyy(to) + "#", end);
    ASSERT_EQ(data.size(), 8u);  // header, reductions 5 to 10, totals
    EXPECT_NE(data[1].find("Redu\xE7\xE3o 0005 " + short_date(from)), std::string::npos);
    EXPECT_NE(data[6].find("Redu\xE7\xE3o 0010 " + short_date(to)), std::string::npos);
    EXPECT_EQ(at(end.text, 2), "]");
}

TEST_F(PrinterModelTest, ZeroBlocksMakesTheFirstReplyTheEnd) {
    PrinterSettings s;
    s.blocks = 0;
    auto model = make(s);
    const auto reply = model.handle(".1500011000#");
    EXPECT_EQ(reply.text, ".]0000FIM:          00}");
    EXPECT_FALSE(model.reading_in_progress());
}

TEST_F(PrinterModelTest, AnotherCommandAbandonsTheReading) {
    auto model = make();
    model.handle(".1500011000#");
    EXPECT_TRUE(model.reading_in_progress());
    model.handle(".28");
    EXPECT_FALSE(model.reading_in_progress());
    expect_refusal(model.handle(".++"), Refusal::no_reading, "33");
}

TEST_F(PrinterModelTest, BadRangesAreRefusedWithTheirOwnCodes) {
    struct Case {
        const char *command;
        Refusal why;
        const char *code;
    };
    const Case cases[] = {
        {".15", Refusal::malformed_range, "30"},
        {".15#", Refusal::malformed_range, "30"},
        {".150001100", Refusal::malformed_range, "30"},  // 3 + 4 digits
        {".1500a11000#", Refusal::malformed_range, "30"},
        {".15 00011000", Refusal::malformed_range, "30"},
        {".150001100##", Refusal::malformed_range, "30"},
        {".151234567890123456789", Refusal::malformed_range, "30"},  // 10 + 11 digits
        {".1610000030121", Refusal::malformed_range, "30"},          // 13 digits
        {".16320100301210#", Refusal::malformed_range, "30"},        // 32nd of January
        {".16010100311310", Refusal::malformed_range, "30"},         // month 13
        {".16290201010301", Refusal::malformed_range, "30"},         // 29/02/01
        {".1510000001#", Refusal::empty_range, "31"},
        {".16020100010100", Refusal::empty_range, "31"},
        {".1500500060#", Refusal::nothing_in_range, "32"},  // the memory has 12 reductions
        {".16010199311299", Refusal::nothing_in_range, "32"},
        {".1500000000#", Refusal::nothing_in_range, "32"},
    };
    auto model = make();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.command);
        expect_refusal(model.handle(c.command), c.why, c.code);
        EXPECT_FALSE(model.reading_in_progress());
    }
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
