// SPDX-License-Identifier: MIT
// The simulated printer's refusal codes, one per reason, shown by the program as "ERRO " + code.
#include "refusal.h"

namespace zarvo::sim {

std::string_view describe(Refusal refusal) {
    switch (refusal) {
        case Refusal::unknown_command:
            return "unknown command";
        case Refusal::bad_checksum:
            return "bad checksum";
        case Refusal::bad_parameter:
            return "bad parameter";
        case Refusal::already_summer:
            return "already in summer time";
        case Refusal::not_summer:
            return "not in summer time";
        case Refusal::out_of_paper:
            return "out of paper";
        case Refusal::malformed_range:
            return "malformed range";
        case Refusal::empty_range:
            return "empty range";
        case Refusal::nothing_in_range:
            return "no reduction in range";
        case Refusal::no_reading:
            return "no reading in progress";
    }
    return "refused";
}

}  // namespace zarvo::sim
