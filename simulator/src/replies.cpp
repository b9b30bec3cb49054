// SPDX-License-Identifier: MIT
// What the printer answers: its refusal codes, and the layouts of its replies.
#include "replies.h"

#include "text.h"

namespace zarvo::sim {

namespace {
constexpr std::string_view kFirmware = "V01.00.02";
constexpr std::string_view kTaxNumber = "12345678000190";
constexpr std::string_view kOwner = "ZARVO TREINAMENTO LTDA";
constexpr std::size_t kOwnerWidth = 54;

std::string fixed(std::string_view text, std::size_t width) {
    std::string out(text.substr(0, width));
    out.resize(width, ' ');
    return out;
}

std::string four_digits(int n) {
    return zero_padded(static_cast<unsigned>(n % 10000), 4);
}
}  // namespace

std::string_view describe(Refusal refusal) {
    for (const RefusalText &row : kRefusalTexts) {
        if (row.refusal == refusal) {
            return row.text;
        }
    }
    return "refused";
}

std::string accepted_reply() {
    return ".+0000}";
}

std::string refusal_reply(int code) {
    return ".-0001ERRO:         " + zero_padded(static_cast<unsigned>(code % 100), 2) + "}";
}

std::string status_reply(const StatusFields &f) {
    std::string reply = ".+0000";
    reply += fixed(f.serial, 10);
    reply += '1';
    reply += f.reduction;
    reply += four_digits(f.reductions);
    reply += zero_padded(f.coo % 1000000, 6);
    reply += zero_padded(f.ccf % 1000000, 6);
    reply += kFirmware;
    reply += fixed(f.clock, 10);
    reply += f.summer ? 'S' : 'N';
    reply += f.paper ? '0' : '5';
    reply += kTaxNumber;
    reply += fixed(kOwner, kOwnerWidth);
    reply += f.first_x ? 'S' : 'N';
    reply += '}';
    return reply;
}

std::string register_reply(std::string_view register_digits, std::uint32_t value) {
    return ".+" + std::string(register_digits) + zero_padded(value % 1000000, 6) + "}";
}

std::string paper_reply(bool paper) {
    return paper ? ".+0000}" : ".+0005}";
}

std::string block_reply(int number, std::string_view data) {
    return ".+" + four_digits(number) + std::string(data) + "}";
}

std::string end_reply(int blocks_sent) {
    return ".]" + four_digits(blocks_sent) +
           "FIM:          " + zero_padded(kReadingCompleteCode, 2) + "}";
}

}  // namespace zarvo::sim
