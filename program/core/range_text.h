// SPDX-License-Identifier: MIT
// The texts of the range boxes: reduction numbers and dates, as typed and as sent to the printer.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Every function takes the box's text as UTF-8 and returns the rewritten text, or nothing when the
// text is not of its kind; the caller then keeps the text exactly as typed. No function throws
// (beyond allocation) or keeps state, whatever bytes it is given.
namespace zarvo::window::range_text {

/// A number: decimal digits with optional blanks around them, no sign, no decimals. Written with
/// at least four digits, zeros on the left: "7" gives "0007", "12345" stays "12345".
std::optional<std::string> asNumber(std::string_view text);

/// A date: day, month and year separated by "/", "-" or "." (the same both times); day and month
/// of one or two digits, the year of two digits (30 to 99 are 1930 to 1999, 00 to 29 are 2000 to
/// 2029) or of four (1930 to 2029, the years that two digits can name). It must be a real calendar
/// date. Written as dd/mm/yy: "1/2/03" gives "01/02/03".
std::optional<std::string> asDate(std::string_view text);

/// The same dates as asDate, written as the printer takes them, ddmmyy: "30/12/10" gives "301210".
std::optional<std::string> asSixDigitDate(std::string_view text);

/// Six digits ddmmyy that make a real date (years as for asDate), written back as dd/mm/yy:
/// "301210" gives "30/12/10".
std::optional<std::string> sixDigitDateAsDate(std::string_view text);

}  // namespace zarvo::window::range_text
