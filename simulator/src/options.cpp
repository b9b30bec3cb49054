// SPDX-License-Identifier: MIT
// The simulator's command line: parsing into settings, and the --help text.
#include "options.h"

#include <charconv>
#include <functional>
#include <map>

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

using Handler = std::function<bool(std::string_view name, std::string_view value)>;

struct Rule {
    bool takes_value;
    Handler handle;
};

struct Parser {
    Options options;
    std::string error;

    bool fail(std::string message) {
        error = std::move(message);
        return false;
    }

    template <typename T, typename Into>
    bool number(std::string_view name, std::string_view value, T min, T max, Into &into) {
        const auto parsed = parse_number<T>(value, min, max);
        if (!parsed) {
            return fail(std::string(name) + ": \"" + std::string(value) +
                        "\" is not a whole number from " + std::to_string(min) + " to " +
                        std::to_string(max));
        }
        into = Into(*parsed);
        return true;
    }

    bool pattern(std::string_view name, std::string_view value, std::vector<std::string> &into) {
        if (value.empty()) {
            return fail(std::string(name) +
                        ": give a command, such as .28, or * for every command");
        }
        into.emplace_back(value);
        return true;
    }

    bool refuse(std::string_view value) {
        const auto eq = value.rfind('=');
        if (eq == std::string_view::npos || eq == 0) {
            return fail("--refuse: \"" + std::string(value) +
                        "\" is not CMD=CODE, such as .36S=07");
        }
        const auto code_text = value.substr(eq + 1);
        const auto code = parse_number<int>(code_text, 0, 99);
        if (code_text.size() != 2 || !code) {
            return fail("--refuse: the code \"" + std::string(code_text) +
                        "\" is not two digits 00 to 99");
        }
        options.faults.refuse.emplace_back(std::string(value.substr(0, eq)), *code);
        return true;
    }

    bool extra(std::string_view value) {
        const auto eq = value.find('=');
        const auto cmd = value.substr(0, eq);
        if (cmd.empty()) {
            return fail("--extra-after: give a command, such as .28, or * for every command");
        }
        std::string text(kDefaultExtra);
        if (eq != std::string_view::npos) {
            const auto unescaped = unescape(value.substr(eq + 1));
            if (!unescaped || unescaped->empty()) {
                return fail("--extra-after: the text after \"=\" is empty or has a bad \\ escape");
            }
            text = *unescaped;
        }
        options.faults.extra.emplace_back(std::string(cmd), std::move(text));
        return true;
    }

    // The shapes most options share: a switch, a text that must not be empty, a number within
    // bounds, a command pattern that may repeat.
    static Rule flag(bool &into, bool value = true) {
        return {false, [&into, value](auto, auto) {
                    into = value;
                    return true;
                }};
    }

    Rule text(std::optional<std::string> &into, std::string what) {
        return {true, [this, &into, what = std::move(what)](auto name, auto value) {
                    into = std::string(value);
                    return !value.empty() || fail(std::string(name) + ": give " + what);
                }};
    }

    template <typename T, typename Into>
    Rule bounded(T min, T max, Into &into) {
        return {true, [this, min, max, &into](auto name, auto value) {
                    return this->number(name, value, min, max, into);
                }};
    }

    Rule patterns(std::vector<std::string> &into) {
        return {true, [this, &into](auto name, auto value) { return pattern(name, value, into); }};
    }
};

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

ParsedOptions parse_options(const std::vector<std::string> &args) {
    Parser p;
    Options &o = p.options;
    const std::map<std::string, Rule, std::less<>> rules{
        {"--device", p.text(o.device, "a device path")},
        {"--link", p.text(o.link, "a path")},
        {"--fast", p.flag(o.fast)},
        {"--exit-after", p.bounded(1L, 1000000000L, o.exit_after)},
        {"--log", p.text(o.log, "a file name")},
        {"--clock",
         {true,
          [&](auto, auto v) {
              o.clock = parse_clock(v);
              return o.clock.has_value() ||
                     p.fail("--clock: \"" + std::string(v) +
                            "\" is not a time ddmmyyhhmm, such as 3112081530");
          }}},
        {"--summer", p.flag(o.printer.summer)},
        {"--reduction",
         {true,
          [&](auto, auto v) {
              if (v != "S" && v != "N" && v != "F") {
                  return p.fail("--reduction: \"" + std::string(v) + "\" is not S, N or F");
              }
              o.printer.reduction = v[0];
              return true;
          }}},
        {"--first-x", p.flag(o.printer.first_x)},
        {"--coo", p.bounded(0U, 999999U, o.printer.coo)},
        {"--ccf", p.bounded(0U, 999999U, o.printer.ccf)},
        {"--no-paper", p.flag(o.printer.paper, false)},
        {"--print-time", p.bounded(0L, 3600000L, o.printer.print_time)},
        {"--seed", p.bounded(std::uint64_t{0}, UINT64_MAX, o.seed)},
        {"--reductions", p.bounded(0, 9999, o.reductions)},
        {"--blocks", p.bounded(0, 9999, o.printer.blocks)},
        {"--silent", p.flag(o.faults.silent)},
        {"--silent-after", p.bounded(0L, 1000000000L, o.faults.silent_after)},
        {"--refuse", {true, [&](auto, auto v) { return p.refuse(v); }}},
        {"--cut-reply", p.patterns(o.faults.cut)},
        {"--nul-in-reply", p.patterns(o.faults.nul)},
        {"--noise-in-reply", p.patterns(o.faults.noise)},
        {"--cr-in-reply", p.patterns(o.faults.cr)},
        {"--lf-in-reply", p.patterns(o.faults.lf)},
        {"--extra-after", {true, [&](auto, auto v) { return p.extra(v); }}},
        {"--close-after-block", p.bounded(1, 9999, o.faults.close_after_block)},
        {"--dump-reading",
         {true,
          [&](auto, auto v) {
              o.dump_reading = std::string(v);
              return (v.starts_with(".15") || v.starts_with(".16")) ||
                     p.fail("--dump-reading: \"" + std::string(v) +
                            "\" is not a reading command .15... or .16...");
          }}},
        {"--help", p.flag(o.help)},
        {"--version", p.flag(o.version)},
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view arg = args[i];
        std::string_view name = arg;
        std::optional<std::string_view> value;
        if (const auto eq = arg.find('='); arg.starts_with("--") && eq != std::string_view::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        }
        const auto rule = rules.find(name);
        if (rule == rules.end()) {
            return {std::nullopt, "unknown option \"" + std::string(arg) + "\" (see --help)"};
        }
        if (rule->second.takes_value && !value) {
            if (i + 1 == args.size()) {
                return {std::nullopt, std::string(name) + " needs a value (see --help)"};
            }
            value = args[++i];
        } else if (!rule->second.takes_value && value) {
            return {std::nullopt, std::string(name) + " takes no value"};
        }
        if (!rule->second.handle(name, value.value_or(std::string_view{}))) {
            return {std::nullopt, p.error};
        }
    }
    if (o.device && o.link) {
        return {std::nullopt,
                "--link makes a link to the pseudo-terminal; it cannot go with --device"};
    }
    return {std::move(p.options), {}};
}

std::string help_text(std::string_view program) {
    std::string text = "Usage: " + std::string(program) + R"( [OPTION]...
A fake fiscal printer on a serial line. By default it creates a pseudo-terminal and prints the
device path of its other end as the first line on standard output; point the link library at it
with API232_PORT1=<that path>. It runs until SIGINT or SIGTERM.

Line:
  --device PATH           serve the serial port PATH (9600 bit/s, 8N1) instead of a pseudo-terminal
  --link PATH             also make PATH a symbolic link to the pseudo-terminal; removed at the end
                          (an existing symbolic link there is replaced, any other file is kept)
  --fast                  send replies at once instead of at 9600 bit/s (about 1.04 ms a byte)
  --exit-after N          end after N commands (frames received, refused ones included)
  --log FILE              append every frame received and reply sent, as hex and text, to FILE

Printer state:
  --clock ddmmyyhhmm      a fixed printer clock (default: the system clock, local time); summer
                          time moves it one hour ahead, leaving it one hour back
  --summer                start in summer time (status position 54 "S")
  --reduction S|N|F       reduction state at status position 18: S done, N not done (default),
                          F mandatory
  --first-x               the first X reading is already done (status position 124 "S")
  --coo N                 the value at positions 5-10 of the reply to .5609 (default: the fiscal
                          memory's next document number); every printed document adds one
  --ccf N                 the value at positions 5-10 of the reply to .5618 (default: the coupons
                          counted in the fiscal memory)
  --no-paper              out of paper: .23 replies "5" at position 6; printing is refused (20)
  --print-time MS         how long .13 and a printed reading take before the reply (default 2000;
                          --fast does not change it)
  --seed N                seed of the generated fiscal memory (default 1)
  --reductions N          reductions in the fiscal memory, numbered from 1 (default 40)
  --blocks N              blocks a reading over the line yields (default: one per line of the
                          reading: a header, one per reduction, a totals line); 0 makes the reply
                          to the reading command the end reply

Faults (CMD matches every command that begins with it; * matches all; options repeat):
  --silent                never reply
  --silent-after N        reply to the first N commands only; ignore the rest
  --refuse CMD=CODE       refuse CMD with the two-digit CODE, without carrying it out
  --cut-reply CMD         send the reply to CMD without its closing "}"
  --nul-in-reply CMD      put a 0 byte before the reply to CMD, after its 2nd character and
                          before its "}"
  --noise-in-reply CMD    put the bytes FF 7E 01 80 after the 6th character of the reply to CMD
  --cr-in-reply CMD       put a CR after the 6th character of the reply to CMD
  --lf-in-reply CMD       put a LF after the 6th character of the reply to CMD
  --extra-after CMD[=TEXT]  send TEXT (default "EXTRA"; \xNN \r \n \0 \\ allowed) right after
                          the "}" of the reply to CMD
  --close-after-block N   close the line and end once block N of a reading has been sent

Other:
  --dump-reading CMD      print the lines that the program saves in LeitM.txt for the reading
                          command CMD (such as ".1500011000#"), each ended by CR LF, and end;
                          takes --seed, --reductions and --blocks into account
  --help                  show this text and end
  --version               show the version and end

Refusal codes (positions 21-22 of ".-0001ERRO:         CC}"):
  01 unknown command        02 bad checksum             03 bad parameter (.36X)
  10 already in summer time 11 not in summer time       20 out of paper
  30 malformed range        31 empty range (first after last)
  32 no reduction in range  33 .++ with no reading in progress
The end of a reading over the line is ".]NNNNFIM:          00}" (NNNN blocks sent).

Exit status: 0 at the end (signal, --exit-after, --close-after-block), 1 on a failure of the line,
the log or the link, 2 on a wrong command line.
)";
    return text;
}

}  // namespace zarvo::sim
