// SPDX-License-Identifier: MIT
// The simulator's command line, declared with CLI11: each option's value, range and help line;
// CLI11 checks the numbers and words, and tells what is wrong in its own words.
#include "options.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <functional>
#include <iterator>

#include "printer_memory.h"
#include "replies.h"
#include "text.h"

namespace zarvo::sim {

using namespace std::chrono;

namespace {

template <typename T>
std::optional<T> parse_number(std::string_view text, T min, T max) {
    T value{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size() || value < min ||
        value > max) {
        return std::nullopt;
    }
    return value;
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// A value whose form CLI11 cannot know: the reason it is wrong, or "" when it is right. CLI11
// names the option before the reason.
CLI::Validator form(const char *name, std::function<std::string(const std::string &)> check) {
    return CLI::Validator([check = std::move(check)](std::string &value) { return check(value); },
                          "", name);
}

const CLI::Validator kNotEmpty =
    form("NOT_EMPTY", [](const std::string &value) { return value.empty() ? "empty" : ""; });

// CMD=CODE, the code two digits; split on the last "=" so that CMD may hold one.
std::optional<std::pair<std::string, int>> refusal(const std::string &value) {
    const auto eq = value.rfind('=');
    if (eq == std::string::npos || eq == 0) {
        return std::nullopt;
    }
    const std::string code_text = value.substr(eq + 1);
    const auto code = parse_number<int>(code_text, 0, 99);
    if (code_text.size() != 2 || !code) {
        return std::nullopt;
    }
    return std::pair{value.substr(0, eq), *code};
}

// CMD[=TEXT], split on the first "=" so that TEXT may hold one.
std::optional<std::pair<std::string, std::string>> extra(const std::string &value) {
    const auto eq = value.find('=');
    std::pair<std::string, std::string> parsed{value.substr(0, eq), std::string(kDefaultExtra)};
    if (parsed.first.empty()) {
        return std::nullopt;
    }
    if (eq != std::string::npos) {
        const auto text = unescape(std::string_view(value).substr(eq + 1));
        if (!text || text->empty()) {
            return std::nullopt;
        }
        parsed.second = *text;
    }
    return parsed;
}

// The help's footer: the matching rules, the refusal codes from kRefusalTexts, the exit status.
// Plain paragraphs, so that help2man makes the manual page of it as it stands.
std::string footer() {
    std::string text =
        "CMD matches every command that begins with it; * matches all; the fault options "
        "repeat.\n\nA refusal is the reply \".-0001ERRO:         CC}\", the code CC at positions "
        "21-22:";
    std::size_t line_start = text.rfind('\n') + 1;
    const char *separator = " ";
    for (const RefusalText &row : kRefusalTexts) {
        const std::string item = zero_padded(static_cast<unsigned>(row.refusal), 2) + " " +
                                 std::string(row.text) +
                                 (&row == std::end(kRefusalTexts) - 1 ? "." : ",");
        if (text.size() - line_start + 1 + item.size() > 96) {
            line_start = text.size() + 1;
            separator = "\n";
        }
        text += separator + item;
        separator = " ";
    }
    return text +
           "\nThe end of a reading over the line is \".]NNNNFIM:          00}\" (NNNN blocks "
           "sent).\n\nExit status: 0 at the end (a signal, --exit-after, --close-after-block, "
           "--dump-reading done,\n--help, --version); 1 on a failure of the pseudo-terminal, "
           "the port, the line, the log or the\nlink, or a --dump-reading refused; 2 on a wrong "
           "command line.";
}

// What the options that need a conversion after the parse hold until then.
struct Texts {
    std::optional<std::string> clock, reduction;
    std::vector<std::string> refuse, extra;
};

// Every option, into @p o and @p t.
void declare(CLI::App &app, Options &o, Texts &t) {
    app.description(
        "A fake fiscal printer on a serial line. By default it creates a pseudo-terminal and "
        "prints\n"
        "the device path of its other end as the first line on standard output; point the link\n"
        "library at it with API232_PORT1=<that path>. It runs until SIGINT or SIGTERM.\n");
    app.footer(footer());
    app.set_help_flag("--help", "show this text and end");
    app.set_version_flag("--version", "zarvo-printer-sim " ZARVO_VERSION_TEXT,
                         "show the version and end");
    // A value given twice: the last one counts.
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    const auto flag = [&](const char *name, bool &into, const char *help, const char *group) {
        app.add_flag(name, into, help)->disable_flag_override()->group(group);
    };
    const auto repeated = [&](const char *name, std::vector<std::string> &into, const char *help) {
        return app.add_option(name, into, help)
            ->type_name("CMD")
            ->check(kNotEmpty)
            ->expected(1)
            ->allow_extra_args(false)
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
            ->group("Faults");
    };

    const char *line = "Line";
    auto *device = app.add_option("--device", o.device,
                                  "serve the serial port PATH (9600 bit/s, 8N1) instead of a "
                                  "pseudo-terminal")
                       ->type_name("PATH")
                       ->check(kNotEmpty)
                       ->group(line);
    app.add_option("--link", o.link,
                   "also make PATH a symbolic link to the pseudo-terminal; removed at the end (an "
                   "existing symbolic link there is replaced, any other file is kept)")
        ->type_name("PATH")
        ->check(kNotEmpty)
        ->excludes(device)
        ->group(line);
    flag("--fast", o.fast, "send replies at once instead of at 9600 bit/s (about 1.04 ms a byte)",
         line);
    app.add_option("--exit-after", o.exit_after,
                   "end after N commands (frames received, refused ones included)")
        ->type_name("N")
        ->check(CLI::Range(1L, 1000000000L))
        ->group(line);
    app.add_option("--log", o.log,
                   "append every frame received and reply sent, as hex and text, to FILE")
        ->type_name("FILE")
        ->check(kNotEmpty)
        ->group(line);

    const char *state = "Printer state";
    app.add_option("--clock", t.clock,
                   "a fixed printer clock (default: the system clock, local time); summer time "
                   "moves it one hour ahead, leaving it one hour back")
        ->type_name("ddmmyyhhmm")
        ->check(form("ddmmyyhhmm",
                     [](const std::string &value) {
                         return parse_clock(value) ? "" : "not a time such as 3112081530";
                     }))
        ->group(state);
    flag("--summer", o.printer.summer, "start in summer time (status position 54 \"S\")", state);
    app.add_option("--reduction", t.reduction,
                   "reduction state at status position 18: S done, N not done (default), F "
                   "mandatory")
        ->type_name("S|N|F")
        ->check(CLI::IsMember({"S", "N", "F"}))
        ->group(state);
    flag("--first-x", o.printer.first_x,
         "the first X reading is already done (status position 124 \"S\")", state);
    app.add_option("--coo", o.printer.coo,
                   "the value at positions 5-10 of the reply to .5609 (default: the fiscal "
                   "memory's next document number); every printed document adds one")
        ->type_name("N")
        ->check(CLI::Range(0U, 999999U))
        ->group(state);
    app.add_option("--ccf", o.printer.ccf,
                   "the value at positions 5-10 of the reply to .5618 (default: the coupons "
                   "counted in the fiscal memory)")
        ->type_name("N")
        ->check(CLI::Range(0U, 999999U))
        ->group(state);
    app.add_flag_function(
           "--no-paper", [&o](std::int64_t) { o.printer.paper = false; },
           "out of paper: .23 replies \"5\" at position 6; printing is refused (20)")
        ->disable_flag_override()
        ->group(state);
    app.add_option_function<long>(
           "--print-time", [&o](long ms) { o.printer.print_time = milliseconds{ms}; },
           "how long .13 and a printed reading take before the reply, in milliseconds (default "
           "2000; --fast does not change it)")
        ->type_name("MS")
        ->check(CLI::Range(0L, 3600000L))
        ->group(state);
    // CLI11 wraps a negative or too large number into 64 bits unnoticed: checked here.
    app.add_option("--seed", o.seed, "seed of the generated fiscal memory (default 1)")
        ->type_name("N")
        ->check(form("N",
                     [](const std::string &value) {
                         return parse_number<std::uint64_t>(value, 0, UINT64_MAX)
                                    ? ""
                                    : "not a whole number from 0 to 18446744073709551615";
                     }))
        ->group(state);
    app.add_option("--reductions", o.reductions,
                   "reductions in the fiscal memory, numbered from 1 (default 40)")
        ->type_name("N")
        ->check(CLI::Range(0, 9999))
        ->group(state);
    app.add_option("--blocks", o.printer.blocks,
                   "blocks a reading over the line yields (default: one per line of the reading: "
                   "a header, one per reduction, a totals line); 0 makes the reply to the reading "
                   "command the end reply")
        ->type_name("N")
        ->check(CLI::Range(0, 9999))
        ->group(state);

    flag("--silent", o.faults.silent, "never reply", "Faults");
    app.add_option("--silent-after", o.faults.silent_after,
                   "reply to the first N commands only; ignore the rest")
        ->type_name("N")
        ->check(CLI::Range(0L, 1000000000L))
        ->group("Faults");
    repeated("--refuse", t.refuse, "refuse CMD with the two-digit CODE, without carrying it out")
        ->type_name("CMD=CODE")
        ->check(form("CMD=CODE", [](const std::string &value) {
            return refusal(value) ? "" : "not CMD=CODE with a two-digit code, such as .36S=07";
        }));
    repeated("--cut-reply", o.faults.cut, "send the reply to CMD without its closing \"}\"");
    repeated("--nul-in-reply", o.faults.nul,
             "put a 0 byte before the reply to CMD, after its 2nd character and before its \"}\"");
    repeated("--noise-in-reply", o.faults.noise,
             "put the bytes FF 7E 01 80 after the 6th character of the reply to CMD");
    repeated("--cr-in-reply", o.faults.cr, "put a CR after the 6th character of the reply to CMD");
    repeated("--lf-in-reply", o.faults.lf, "put a LF after the 6th character of the reply to CMD");
    repeated("--extra-after", t.extra,
             "send TEXT (default \"EXTRA\"; \\xNN \\r \\n \\0 \\\\ allowed) right after the \"}\" "
             "of the reply to CMD")
        ->type_name("CMD[=TEXT]")
        ->check(form("CMD[=TEXT]", [](const std::string &value) {
            return extra(value) ? ""
                                : "not CMD[=TEXT] with a TEXT that is not empty and has "
                                  "only the escapes \\xNN \\r \\n \\0 \\\\";
        }));
    app.add_option("--close-after-block", o.faults.close_after_block,
                   "close the line and end once block N of a reading has been sent")
        ->type_name("N")
        ->check(CLI::Range(1, 9999))
        ->group("Faults");

    app.add_option("--dump-reading", o.dump_reading,
                   "print the lines that the program saves in LeitM.txt for the reading command "
                   "CMD (such as \".1500011000#\"), each ended by CR LF, and end; takes --seed, "
                   "--reductions and --blocks into account")
        ->type_name("CMD")
        ->check(form("CMD",
                     [](const std::string &value) {
                         return value.starts_with(".15") || value.starts_with(".16")
                                    ? ""
                                    : "not a reading command .15... or .16...";
                     }))
        ->group("Other");
}

}  // namespace

std::optional<sys_seconds> parse_clock(std::string_view text) {
    if (text.size() != 10 || !all_digits(text)) {
        return std::nullopt;
    }
    const auto date = parse_ddmmyy(text.substr(0, 6));
    const auto hour = parse_number<int>(text.substr(6, 2), 0, 23);
    const auto minute = parse_number<int>(text.substr(8, 2), 0, 59);
    if (!date || !hour || !minute) {
        return std::nullopt;
    }
    return sys_days{*date} + hours{*hour} + minutes{*minute};
}

std::optional<std::string> unescape(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size()) {
            return std::nullopt;
        }
        switch (text[i]) {
            case '\\':
                out += '\\';
                break;
            case 'r':
                out += '\r';
                break;
            case 'n':
                out += '\n';
                break;
            case '0':
                out += '\0';
                break;
            case 'x': {
                const int high = i + 1 < text.size() ? hex_digit(text[i + 1]) : -1;
                const int low = i + 2 < text.size() ? hex_digit(text[i + 2]) : -1;
                if (high < 0 || low < 0) {
                    return std::nullopt;
                }
                out += static_cast<char>(high * 16 + low);
                i += 2;
                break;
            }
            default:
                return std::nullopt;
        }
    }
    return out;
}

ParsedOptions parse_options(const std::string &program, const std::vector<std::string> &args) {
    CLI::App app;
    app.name(program);
    Options o;
    Texts t;
    declare(app, o, t);
    try {
        // CLI11 takes the arguments last first.
        app.parse(std::vector<std::string>(args.rbegin(), args.rend()));
    } catch (const CLI::CallForHelp &) {
        return {std::nullopt, {}, app.help()};
    } catch (const CLI::CallForVersion &) {
        return {std::nullopt, {}, app.version() + "\n"};
    } catch (const CLI::ParseError &error) {
        return {std::nullopt, std::string(error.what()) + " (see --help)", {}};
    }
    // Checked by the declarations already: these conversions succeed.
    if (t.clock) {
        o.clock = parse_clock(*t.clock);
    }
    if (t.reduction) {
        o.printer.reduction = t.reduction->front();
    }
    for (const std::string &value : t.refuse) {
        o.faults.refuse.push_back(*refusal(value));
    }
    for (const std::string &value : t.extra) {
        o.faults.extra.push_back(*extra(value));
    }
    return {std::move(o), {}, {}};
}

}  // namespace zarvo::sim
