// SPDX-License-Identifier: MIT
// The range boxes' number and date texts: what is read as a number or a date, and how it is
// written.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "range_text.h"

namespace range_text = zarvo::window::range_text;

namespace {

using Format = std::optional<std::string> (*)(std::string_view);
struct Case {
    const char *text;
    const char *expected;  // nullptr: left as typed
};

void check(Format format, std::initializer_list<Case> cases) {
    for (const Case &c : cases) {
        const auto expected = c.expected ? std::optional<std::string>(c.expected) : std::nullopt;
        EXPECT_EQ(format(c.text), expected) << '"' << c.text << '"';
    }
}

TEST(RangeText, Numbers) {
    check(range_text::asNumber,
          {{"7", "0007"},
           {"0", "0000"},
           {"00007", "0007"},
           {"12345", "12345"},
           {" \t42 ", "0042"},
           {"123456789012345678901234567890", "123456789012345678901234567890"},
           {"", nullptr},
           {"  ", nullptr},
           {"1 2", nullptr},
           {"-7", nullptr},
           {"+7", nullptr},
           {"7.0", nullptr},
           {"\xd9\xa3", nullptr},
           {"01/01/00", nullptr}});
}

TEST(RangeText, Dates) {
    check(range_text::asDate,
          {{"1/2/03", "01/02/03"},   {"5-6-07", "05/06/07"},   {"05.06.07", "05/06/07"},
           {"1/2/2003", "01/02/03"}, {"1/1/1930", "01/01/30"}, {"31/12/2029", "31/12/29"},
           {"31/12/1929", nullptr},  {"1/1/2030", nullptr},    {"29/02/00", "29/02/00"},
           {"29/2/30", nullptr},     {"31/02/10", nullptr},    {"31/4/10", nullptr},
           {"0/1/10", nullptr},      {"1/13/10", nullptr},     {"001/1/10", nullptr},
           {"1/1/010", nullptr},     {"1/1/0", nullptr},       {"1/2-03", nullptr},
           {"1 2 03", nullptr},      {" 1/2/03", nullptr},     {"1/2", nullptr},
           {"1/2/03/", nullptr},     {"010203", nullptr},      {"", nullptr}});
    check(range_text::asSixDigitDate, {{"30/12/10", "301210"},
                                       {"1-2-2003", "010203"},
                                       {"31/02/10", nullptr},
                                       {"010100", nullptr}});
    check(range_text::sixDigitDateAsDate, {{"301210", "30/12/10"},
                                           {"311299", "31/12/99"},
                                           {"290200", "29/02/00"},
                                           {"290230", nullptr},
                                           {"310210", nullptr},
                                           {"30121", nullptr},
                                           {"3012100", nullptr},
                                           {"30/12/10", nullptr},
                                           {"0001", nullptr}});
}

// Every date that reads as one goes to the printer as six digits and reads back as itself.
TEST(RangeText, EveryDayOfTheCenturyRoundTrips) {
    int days = 0;
    for (int year = 1930; year <= 2029; ++year) {
        for (int month = 1; month <= 12; ++month) {
            for (int day = 1; day <= 31; ++day) {
                const auto written = range_text::asDate(
                    std::to_string(day) + "/" + std::to_string(month) + "/" + std::to_string(year));
                if (written) {
                    ++days;
                    EXPECT_EQ(range_text::sixDigitDateAsDate(*range_text::asSixDigitDate(*written)),
                              written);
                }
            }
        }
    }
    EXPECT_EQ(days, 36525);  // 1 January 1930 to 31 December 2029
}

}  // namespace
