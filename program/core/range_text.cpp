// SPDX-License-Identifier: MIT
// Reading and rewriting reduction numbers and dates of the range boxes.
#include "range_text.h"

#include <chrono>

namespace zarvo::window::range_text {
namespace {

// Two-digit years name 1930 to 2029, the span that a printer's fiscal memory can hold.
constexpr int kFirstYear = 1930;
constexpr int kLastYear = 2029;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool allDigits(std::string_view text) {
    for (char c : text) {
        if (!isDigit(c)) {
            return false;
        }
    }
    return true;
}

// The value of one to four digits; the caller has checked that they are digits.
int valueOf(std::string_view digits) {
    int value = 0;
    for (char c : digits) {
        value = value * 10 + (c - '0');
    }
    return value;
}

int yearOfTwoDigits(int yy) {
    return yy >= kFirstYear % 100 ? 1900 + yy : 2000 + yy;
}

// Splits off the leading run of digits of @p text.
std::string_view takeDigits(std::string_view &text) {
    std::size_t n = 0;
    while (n < text.size() && isDigit(text[n])) {
        ++n;
    }
    const std::string_view digits = text.substr(0, n);
    text.remove_prefix(n);
    return digits;
}

std::optional<std::chrono::year_month_day> realDate(int year, int month, int day) {
    const std::chrono::year_month_day date{std::chrono::year{year},
                                           std::chrono::month{static_cast<unsigned>(month)},
                                           std::chrono::day{static_cast<unsigned>(day)}};
    if (!date.ok()) {
        return std::nullopt;
    }
    return date;
}

std::optional<std::chrono::year_month_day> readDate(std::string_view text) {
    const std::string_view day = takeDigits(text);
    if (day.empty() || day.size() > 2 || text.empty()) {
        return std::nullopt;
    }
    const char separator = text.front();
    if (separator != '/' && separator != '-' && separator != '.') {
        return std::nullopt;
    }
    text.remove_prefix(1);
    const std::string_view month = takeDigits(text);
    if (month.empty() || month.size() > 2 || text.empty() || text.front() != separator) {
        return std::nullopt;
    }
    text.remove_prefix(1);
    const std::string_view year = takeDigits(text);
    if (!text.empty() || (year.size() != 2 && year.size() != 4)) {
        return std::nullopt;
    }
    int fullYear = valueOf(year);
    if (year.size() == 2) {
        fullYear = yearOfTwoDigits(fullYear);
    } else if (fullYear < kFirstYear || fullYear > kLastYear) {
        return std::nullopt;
    }
    return realDate(fullYear, valueOf(month), valueOf(day));
}

void appendTwoDigits(std::string &out, unsigned value) {
    out += static_cast<char>('0' + value / 10 % 10);
    out += static_cast<char>('0' + value % 10);
}

std::string written(const std::chrono::year_month_day &date, std::string_view separator) {
    std::string out;
    appendTwoDigits(out, static_cast<unsigned>(date.day()));
    out += separator;
    appendTwoDigits(out, static_cast<unsigned>(date.month()));
    out += separator;
    appendTwoDigits(out, static_cast<unsigned>(static_cast<int>(date.year()) % 100));
    return out;
}

}  // namespace

std::optional<std::string> asNumber(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    if (text.empty() || !allDigits(text)) {
        return std::nullopt;
    }
    // Leading zeros carry no value: "00007" is 7, written 0007.
    while (text.size() > 1 && text.front() == '0') {
        text.remove_prefix(1);
    }
    std::string out(text.size() < 4 ? 4 - text.size() : 0, '0');
    out += text;
    return out;
}

std::optional<std::string> asDate(std::string_view text) {
    const auto date = readDate(text);
    if (!date) {
        return std::nullopt;
    }
    return written(*date, "/");
}

std::optional<std::string> asSixDigitDate(std::string_view text) {
    const auto date = readDate(text);
    if (!date) {
        return std::nullopt;
    }
    return written(*date, "");
}

std::optional<std::string> sixDigitDateAsDate(std::string_view text) {
    if (text.size() != 6 || !allDigits(text)) {
        return std::nullopt;
    }
    const auto date = realDate(yearOfTwoDigits(valueOf(text.substr(4, 2))),
                               valueOf(text.substr(2, 2)), valueOf(text.substr(0, 2)));
    if (!date) {
        return std::nullopt;
    }
    return written(*date, "/");
}

}  // namespace zarvo::window::range_text
