// SPDX-License-Identifier: MIT
// The range boxes' number and date texts: what is read as a number or a date, and how it is
// written.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "range_text.h"

namespace {

using Format = std::optional<std::string> (*)(std::string_view);

struct Case {
    const char *name;
    Format format;
    std::string text;
    std::optional<std::string> expected;  // nothing: the text is left as typed
};

void PrintTo(const Case &c, std::ostream *out) {
    *out << c.name << " \"" << c.text << "\"";
}

class RangeTextTest : public testing::TestWithParam<Case> {};

TEST_P(RangeTextTest, RewritesOrLeavesAsTyped) {
    const Case &c = GetParam();
    EXPECT_EQ(c.format(c.text), c.expected);
}

const std::nullopt_t kAsTyped = std::nullopt;

INSTANTIATE_TEST_SUITE_P(
    Numbers, RangeTextTest,
    testing::Values(Case{"padded", RangeText::asNumber, "7", "0007"},
                    Case{"zero", RangeText::asNumber, "0", "0000"},
                    Case{"four digits", RangeText::asNumber, "1000", "1000"},
                    Case{"five digits stay", RangeText::asNumber, "12345", "12345"},
                    Case{"leading zeros carry no value", RangeText::asNumber, "00007", "0007"},
                    Case{"blanks around", RangeText::asNumber, " \t42 ", "0042"},
                    Case{"longer than any integer", RangeText::asNumber,
                         "123456789012345678901234567890", "123456789012345678901234567890"},
                    Case{"empty", RangeText::asNumber, "", kAsTyped},
                    Case{"blanks only", RangeText::asNumber, "   ", kAsTyped},
                    Case{"blank inside", RangeText::asNumber, "1 2", kAsTyped},
                    Case{"sign", RangeText::asNumber, "-7", kAsTyped},
                    Case{"plus sign", RangeText::asNumber, "+7", kAsTyped},
                    Case{"decimals", RangeText::asNumber, "7.0", kAsTyped},
                    Case{"date", RangeText::asNumber, "01/01/00", kAsTyped},
                    Case{"non-ASCII digit", RangeText::asNumber, "\xd9\xa3", kAsTyped}));

INSTANTIATE_TEST_SUITE_P(
    Dates, RangeTextTest,
    testing::Values(Case{"short fields", RangeText::asDate, "1/2/03", "01/02/03"},
                    Case{"already written", RangeText::asDate, "30/12/10", "30/12/10"},
                    Case{"dashes", RangeText::asDate, "5-6-07", "05/06/07"},
                    Case{"dots", RangeText::asDate, "05.06.07", "05/06/07"},
                    Case{"four-digit year", RangeText::asDate, "1/2/2003", "01/02/03"},
                    Case{"four-digit year 1930", RangeText::asDate, "1/1/1930", "01/01/30"},
                    Case{"four-digit year 2029", RangeText::asDate, "31/12/2029", "31/12/29"},
                    Case{"four-digit year 1929 has no two-digit form", RangeText::asDate,
                         "31/12/1929", kAsTyped},
                    Case{"four-digit year 2030 has no two-digit form", RangeText::asDate,
                         "1/1/2030", kAsTyped},
                    Case{"29 February of 2000", RangeText::asDate, "29/02/00", "29/02/00"},
                    Case{"29 February of 1930 is no date", RangeText::asDate, "29/2/30", kAsTyped},
                    Case{"31 February", RangeText::asDate, "31/02/10", kAsTyped},
                    Case{"31 April", RangeText::asDate, "31/4/10", kAsTyped},
                    Case{"day 0", RangeText::asDate, "0/1/10", kAsTyped},
                    Case{"month 13", RangeText::asDate, "1/13/10", kAsTyped},
                    Case{"three-digit day", RangeText::asDate, "001/1/10", kAsTyped},
                    Case{"three-digit year", RangeText::asDate, "1/1/010", kAsTyped},
                    Case{"one-digit year", RangeText::asDate, "1/1/0", kAsTyped},
                    Case{"two separators differ", RangeText::asDate, "1/2-03", kAsTyped},
                    Case{"other separator", RangeText::asDate, "1 2 03", kAsTyped},
                    Case{"blank around", RangeText::asDate, " 1/2/03", kAsTyped},
                    Case{"no year", RangeText::asDate, "1/2", kAsTyped},
                    Case{"trailing separator", RangeText::asDate, "1/2/03/", kAsTyped},
                    Case{"six digits", RangeText::asDate, "010203", kAsTyped},
                    Case{"number", RangeText::asDate, "7", kAsTyped},
                    Case{"empty", RangeText::asDate, "", kAsTyped}));

INSTANTIATE_TEST_SUITE_P(
    SixDigitDates, RangeTextTest,
    testing::Values(
        Case{"to the printer", RangeText::asSixDigitDate, "01/01/00", "010100"},
        Case{"end of the default range", RangeText::asSixDigitDate, "30/12/10", "301210"},
        Case{"as typed", RangeText::asSixDigitDate, "1-2-2003", "010203"},
        Case{"no date", RangeText::asSixDigitDate, "31/02/10", kAsTyped},
        Case{"six digits stay", RangeText::asSixDigitDate, "010100", kAsTyped},
        Case{"read back", RangeText::sixDigitDateAsDate, "301210", "30/12/10"},
        Case{"read back, 1999", RangeText::sixDigitDateAsDate, "311299", "31/12/99"},
        Case{"read back, leap day", RangeText::sixDigitDateAsDate, "290200", "29/02/00"},
        Case{"read back, no leap day in 1930", RangeText::sixDigitDateAsDate, "290230", kAsTyped},
        Case{"read back, no date", RangeText::sixDigitDateAsDate, "310210", kAsTyped},
        Case{"read back, five digits", RangeText::sixDigitDateAsDate, "30121", kAsTyped},
        Case{"read back, seven digits", RangeText::sixDigitDateAsDate, "3012100", kAsTyped},
        Case{"read back, a date with separators stays", RangeText::sixDigitDateAsDate, "30/12/10",
             kAsTyped},
        Case{"read back, a number", RangeText::sixDigitDateAsDate, "0001", kAsTyped}));

// Every date written as dd/mm/yy reads back, through the printer's six digits, as itself.
TEST(RangeTextRoundTrip, EveryDayOfTheCentury) {
    int checked = 0;
    for (int year = 1930; year <= 2029; ++year) {
        for (int month = 1; month <= 12; ++month) {
            for (int day = 1; day <= 31; ++day) {
                const std::string typed =
                    std::to_string(day) + "/" + std::to_string(month) + "/" + std::to_string(year);
                const auto written = RangeText::asDate(typed);
                if (!written) {
                    continue;
                }
                ++checked;
                const auto six = RangeText::asSixDigitDate(*written);
                ASSERT_TRUE(six) << typed;
                EXPECT_EQ(RangeText::sixDigitDateAsDate(*six), written) << typed;
            }
        }
    }
    EXPECT_EQ(checked, 36525);  // the days from 1 January 1930 to 31 December 2029
}

}  // namespace
