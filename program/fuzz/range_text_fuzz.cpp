// SPDX-License-Identifier: MIT
// Fuzz target: the range boxes' rewriting of numbers and dates over arbitrary text.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "range_text.h"

namespace range_text = zarvo::window::range_text;

namespace {

bool digit(char c) {
    return c >= '0' && c <= '9';
}

bool allDigits(std::string_view text) {
    for (const char c : text) {
        if (!digit(c)) {
            return false;
        }
    }
    return true;
}

std::string_view withoutLeadingZeros(std::string_view digits) {
    while (digits.size() > 1 && digits.front() == '0') {
        digits.remove_prefix(1);
    }
    return digits;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

int two(std::string_view text, std::size_t at) {
    return (text[at] - '0') * 10 + (text[at + 1] - '0');
}

// dd/mm/yy naming a day that exists, two-digit years 30 to 99 being 1930 to 1999, 00 to 29
// 2000 to 2029.
bool realDate(std::string_view text) {
    if (text.size() != 8 || text[2] != '/' || text[5] != '/') {
        return false;
    }
    for (const std::size_t at : {0, 3, 6}) {
        if (!digit(text[at]) || !digit(text[at + 1])) {
            return false;
        }
    }
    const int day = two(text, 0), month = two(text, 3), yy = two(text, 6);
    const int year = yy >= 30 ? 1900 + yy : 2000 + yy;
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    const int days[] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month >= 1 && month <= 12 && day >= 1 && day <= days[month - 1];
}

std::string withoutSlashes(std::string_view date) {
    std::string out;
    for (const char c : date) {
        if (c != '/') {
            out += c;
        }
    }
    return out;
}

void checkNumber(std::string_view text) {
    const std::optional<std::string> number = range_text::asNumber(text);
    const std::string_view core = trimmed(text);
    // Digits with blanks around always read as a number, and nothing else does.
    CHECK(number.has_value() == (!core.empty() && allDigits(core)));
    if (!number) {
        return;
    }
    CHECK(number->size() >= 4 && allDigits(*number));
    CHECK(withoutLeadingZeros(*number) == withoutLeadingZeros(core));
    CHECK(range_text::asNumber(*number) == number);
}

void checkDate(std::string_view text) {
    const std::optional<std::string> date = range_text::asDate(text);
    const std::optional<std::string> six = range_text::asSixDigitDate(text);
    CHECK(date.has_value() == six.has_value());
    if (!date) {
        return;
    }
    CHECK(realDate(*date));
    // The day is the one typed first, whatever its zeros.
    std::size_t n = 0;
    while (n < text.size() && digit(text[n])) {
        ++n;
    }
    CHECK(n >= 1 && n <= 2 && std::atoi(std::string(text.substr(0, n)).c_str()) == two(*date, 0));
    CHECK(range_text::asDate(*date) == date);
    CHECK(*six == withoutSlashes(*date));
    CHECK(range_text::sixDigitDateAsDate(*six) == date);
}

void checkSixDigits(std::string_view text) {
    const std::optional<std::string> date = range_text::sixDigitDateAsDate(text);
    if (!date) {
        return;
    }
    CHECK(text.size() == 6 && realDate(*date) && withoutSlashes(*date) == text);
    CHECK(range_text::asSixDigitDate(*date) == std::string(text));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    checkNumber(text);
    checkDate(text);
    checkSixDigits(text);
    return 0;
}
